parlino_add_bench(bench_codec SOURCES ${CMAKE_CURRENT_LIST_DIR}/codec.cpp LIBS common)
