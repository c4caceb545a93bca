parlino_add_bench(bench_store_load
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/store_load.cpp
    LIBS server tables_installer)
