parlino_add_bench(bench_framing SOURCES ${CMAKE_CURRENT_LIST_DIR}/framing.cpp LIBS common)
