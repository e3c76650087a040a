# Cross build: Quenlo.exe, the Win32 tests and the end-to-end driver, all run under Wine.
set(QUENLO_DEPS_DIR "${CMAKE_BINARY_DIR}/deps/install" CACHE PATH "Cross-built libjpeg/libpng")
set(QUENLO_FORMC "" CACHE FILEPATH "The host form compiler")
if(NOT QUENLO_FORMC)
  message(FATAL_ERROR "QUENLO_FORMC must name the host-built form compiler")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/Deps.cmake)

set(win_defs UNICODE_NOT_USED NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0800)
list(REMOVE_ITEM win_defs UNICODE_NOT_USED)

file(GLOB_RECURSE core_sources CONFIGURE_DEPENDS form/*.cpp runtime/*.cpp ui/*.cpp)
add_library(quenlo_core OBJECT ${core_sources})
target_include_directories(quenlo_core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(quenlo_core PUBLIC ${win_defs})
target_link_libraries(quenlo_core PUBLIC deps::jpeg deps::png
  comctl32 comdlg32 ole32 oleaut32 uuid shell32 gdi32 user32 kernel32)

# Form blocks: `compile_form(<out-var> <form source> <handler table>)`.
set(QUENLO_ASSETS ${CMAKE_BINARY_DIR}/assets)

# The manifest names the build's own processor architecture.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(QUENLO_MANIFEST_ARCH amd64)
else()
  set(QUENLO_MANIFEST_ARCH x86)
endif()
configure_file(app/quenlo.manifest.in ${QUENLO_ASSETS}/quenlo.manifest @ONLY)
add_custom_command(
  OUTPUT ${QUENLO_ASSETS}/background.jpg
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUENLO_ASSETS}
  COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/make_background.py ${QUENLO_ASSETS}/background.jpg
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make_background.py
  COMMENT "Painting the background picture")
add_custom_command(
  OUTPUT ${QUENLO_ASSETS}/quenlo.ico
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUENLO_ASSETS}
  COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/make_icon.py ${QUENLO_ASSETS}/quenlo.ico
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make_icon.py
  COMMENT "Drawing the program icon")
function(compile_form out source handlers)
  get_filename_component(name ${source} NAME_WE)
  set(bin ${QUENLO_ASSETS}/${name}.bin)
  add_custom_command(
    OUTPUT ${bin}
    COMMAND ${QUENLO_FORMC} --handlers ${handlers} --assets ${QUENLO_ASSETS} -o ${bin} ${source}
    DEPENDS ${source} ${handlers} ${QUENLO_FORMC} ${QUENLO_ASSETS}/background.jpg
    COMMENT "Compiling form ${name}")
  set(${out} ${bin} PARENT_SCOPE)
endfunction()

compile_form(main_form ${CMAKE_SOURCE_DIR}/form/MainWindow.form ${CMAKE_SOURCE_DIR}/app/handlers.def)
add_custom_target(main_form DEPENDS ${main_form} ${QUENLO_ASSETS}/quenlo.ico)

file(GLOB app_sources CONFIGURE_DEPENDS app/*.cpp)
list(REMOVE_ITEM app_sources ${CMAKE_SOURCE_DIR}/app/main.cpp
  ${CMAKE_SOURCE_DIR}/app/late_imports.cpp)
add_library(quenlo_app OBJECT ${app_sources})
target_link_libraries(quenlo_app PUBLIC quenlo_core)
# late_imports.cpp defines the import slots of comdlg32 and shell32, so that the program does
# not take them from the import libraries and loads the DLLs only when it needs them.
add_executable(Quenlo WIN32 app/main.cpp app/late_imports.cpp app/quenlo.rc)
add_dependencies(Quenlo main_form)
target_include_directories(Quenlo PRIVATE ${QUENLO_ASSETS} ${CMAKE_SOURCE_DIR}/app)
set_source_files_properties(app/quenlo.rc PROPERTIES OBJECT_DEPENDS
  "${main_form};${QUENLO_ASSETS}/quenlo.ico;${QUENLO_ASSETS}/quenlo.manifest")
target_link_libraries(Quenlo PRIVATE quenlo_app quenlo_core)
# A 32-bit program that says it handles addresses above 2 GB gets 4 GB of address space on 64-bit
# Windows, where the text box's copy of a large file needs it (a 64-bit one is so by default).
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  target_link_options(Quenlo PRIVATE -Wl,--large-address-aware)
endif()

include(${CMAKE_SOURCE_DIR}/cmake/Bench.cmake)

# Tests, one Wine process per binary.
if(NOT QUENLO_TESTS)
  return()
endif()

file(GLOB test_forms CONFIGURE_DEPENDS tests/win/forms/*.form)
set(test_form_bins)
foreach(f ${test_forms})
  compile_form(bin ${f} ${CMAKE_SOURCE_DIR}/tests/win/forms/test_handlers.def)
  list(APPEND test_form_bins ${bin})
endforeach()
add_custom_target(test_forms DEPENDS ${test_form_bins})

file(GLOB win_tests CONFIGURE_DEPENDS tests/win/*.cpp)
add_executable(quenlo_tests ${win_tests} tests/support/file_links.cpp
  tests/support/data_object.cpp tests/support/probe_component.cpp tests/support/probe_control.cpp
  tests/support/window_probes.cpp tests/support/key_probes.cpp tests/support/form_window_fixture.cpp
  tests/support/temp_folder.cpp)
add_dependencies(quenlo_tests test_forms main_form)
target_link_libraries(quenlo_tests PRIVATE quenlo_app quenlo_core gtest)
target_compile_definitions(quenlo_tests PRIVATE QUENLO_ASSETS="${QUENLO_ASSETS}")
add_test(NAME win_tests COMMAND quenlo_tests)

file(GLOB e2e_tests CONFIGURE_DEPENDS tests/e2e/*.cpp)
if(e2e_tests)
  add_executable(quenlo_e2e ${e2e_tests} tests/support/file_links.cpp tests/support/data_object.cpp
    tests/support/temp_folder.cpp ui/components/edit_box/word_break.cpp)
  target_include_directories(quenlo_e2e PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(quenlo_e2e PRIVATE gtest gtest_main ole32 shell32 user32 gdi32 psapi version)
  target_compile_definitions(quenlo_e2e PRIVATE ${win_defs}
    QUENLO_EXE="$<TARGET_FILE:Quenlo>")
  add_dependencies(quenlo_e2e Quenlo)
  add_test(NAME e2e_tests COMMAND quenlo_e2e)
endif()
