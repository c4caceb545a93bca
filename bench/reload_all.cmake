parlino_add_bench(bench_reload_all SOURCES ${CMAKE_CURRENT_LIST_DIR}/reload_all.cpp LIBS server tables_installer)
