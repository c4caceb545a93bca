parlino_add_bench(bench_relay_load
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/relay_load.cpp
    LIBS relay platform_core)
