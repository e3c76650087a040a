# Host build: the form compiler, the pure sources' tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, and (with clang) the fuzz targets. QUENLO_TOOLS_ONLY builds the
# form compiler alone, optimised, for the Windows builds.

add_library(quenlo_pure STATIC ${QUENLO_PURE_SOURCES})
target_include_directories(quenlo_pure PUBLIC ${CMAKE_SOURCE_DIR})

file(GLOB formc_sources CONFIGURE_DEPENDS tools/formc/*.cpp)
if(QUENLO_TOOLS_ONLY)
  add_executable(formc ${formc_sources})
  target_link_libraries(formc PRIVATE quenlo_pure)
  return()
endif()

# The picture decoder, with the system's libjpeg and libpng.
find_package(JPEG REQUIRED)
find_package(PNG REQUIRED)
add_library(quenlo_picture STATIC ui/graphics/picture_decode.cpp ui/graphics/picture_scale.cpp)
target_include_directories(quenlo_picture PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(quenlo_picture PUBLIC JPEG::JPEG PNG::PNG)

if(QUENLO_FUZZ)
  set(fuzz_flags -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -g -O1)
  target_compile_options(quenlo_pure PRIVATE -fsanitize=fuzzer-no-link,address,undefined -g -O1)
  target_compile_options(quenlo_picture PRIVATE -fsanitize=fuzzer-no-link,address,undefined -g -O1)
  file(GLOB fuzz_sources CONFIGURE_DEPENDS tests/fuzz/*_fuzz.cpp)
  foreach(src ${fuzz_sources})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE quenlo_pure quenlo_picture)
    target_compile_options(${name} PRIVATE ${fuzz_flags})
    target_link_options(${name} PRIVATE ${fuzz_flags})
  endforeach()
  return()
endif()

set(sanitize -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
target_compile_options(quenlo_pure PRIVATE ${sanitize} -g)
target_link_options(quenlo_pure PUBLIC ${sanitize})
target_compile_options(quenlo_picture PRIVATE ${sanitize} -g)

add_executable(formc ${formc_sources})
target_link_libraries(formc PRIVATE quenlo_pure)

file(GLOB host_tests CONFIGURE_DEPENDS tests/native/*.cpp)
add_executable(quenlo_host_tests ${host_tests})
target_link_libraries(quenlo_host_tests PRIVATE quenlo_pure quenlo_picture gtest_main)
target_compile_options(quenlo_host_tests PRIVATE ${sanitize} -g)
target_compile_definitions(quenlo_host_tests PRIVATE
  QUENLO_SOURCE_DIR="${CMAKE_SOURCE_DIR}" QUENLO_FORMC="$<TARGET_FILE:formc>")
add_test(NAME host_tests COMMAND quenlo_host_tests)
add_test(NAME test_plan COMMAND bash ${CMAKE_SOURCE_DIR}/tests/scripts/test_plan_test.sh)
add_test(NAME include_layers COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/scripts/include_layers_test.py ${CMAKE_SOURCE_DIR})
