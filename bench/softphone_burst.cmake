parlino_add_bench(bench_softphone_burst SOURCES ${CMAKE_CURRENT_LIST_DIR}/softphone_burst.cpp LIBS client)
