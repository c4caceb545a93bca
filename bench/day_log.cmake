parlino_add_bench(bench_day_log SOURCES ${CMAKE_CURRENT_LIST_DIR}/day_log.cpp LIBS server tables_installer)
