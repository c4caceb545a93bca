parlino_add_bench(bench_call_log_saver
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/call_log_saver.cpp
    LIBS server)
