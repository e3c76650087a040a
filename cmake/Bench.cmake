# Benchmarks: programs to run, not tests.
# The background picture's start-up and repaint benchmark: a program to run, not a test.
add_executable(paint_bench bench/paint_bench.cpp ui/graphics/picture.cpp
  ui/graphics/picture_decode.cpp ui/graphics/gdi.cpp runtime/system_code_page.cpp
  runtime/document_encoding.cpp)
target_include_directories(paint_bench PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(paint_bench PRIVATE ${win_defs})
target_link_libraries(paint_bench PRIVATE deps::jpeg deps::png gdi32 user32)

# Quenlo and Wine's notepad side by side, driven from outside (bench/notepad_bench.cpp).
add_executable(notepad_bench bench/notepad_bench.cpp)
target_compile_definitions(notepad_bench PRIVATE ${win_defs})
target_link_libraries(notepad_bench PRIVATE ole32 comctl32 user32 gdi32 psapi)
