# Benchmarks: programs to run, not tests.
# The background picture's start-up and repaint benchmark: a program to run, not a test.
add_executable(paint_bench bench/paint_bench.cpp ui/graphics/picture.cpp
  ui/graphics/picture_decode.cpp ui/graphics/picture_scale.cpp ui/graphics/gdi.cpp runtime/system_code_page.cpp
  runtime/document_encoding.cpp runtime/byte_buffer.cpp runtime/heap.cpp)
target_include_directories(paint_bench PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(paint_bench PRIVATE ${win_defs})
target_link_libraries(paint_bench PRIVATE deps::jpeg deps::png gdi32 user32)

# Quenlo and Wine's notepad side by side, driven from outside (bench/notepad_bench.cpp).
add_executable(notepad_bench bench/notepad_bench.cpp)
target_include_directories(notepad_bench PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(notepad_bench PRIVATE ${win_defs})
target_link_libraries(notepad_bench PRIVATE ole32 comctl32 user32 gdi32 psapi)

# Quenlo without its recovery file, and keystroke latency in a big document with and without it
# (bench/keystroke_bench.cpp).
set(app_without_recovery ${app_sources})
list(REMOVE_ITEM app_without_recovery ${CMAKE_SOURCE_DIR}/app/recovery.cpp)
add_executable(QuenloWithoutRecovery WIN32 EXCLUDE_FROM_ALL app/main.cpp app/late_imports.cpp
  app/quenlo.rc ${app_without_recovery} bench/recovery_off.cpp)
add_dependencies(QuenloWithoutRecovery main_form)
target_include_directories(QuenloWithoutRecovery PRIVATE ${QUENLO_ASSETS} ${CMAKE_SOURCE_DIR}/app)
target_link_libraries(QuenloWithoutRecovery PRIVATE quenlo_core)
add_executable(keystroke_bench EXCLUDE_FROM_ALL bench/keystroke_bench.cpp tests/e2e/quenlo_app.cpp
  tests/support/temp_folder.cpp)
target_include_directories(keystroke_bench PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(keystroke_bench PRIVATE ${win_defs} QUENLO_EXE="")
target_link_libraries(keystroke_bench PRIVATE ole32 user32 gdi32)
