parlino_add_bench(bench_sign_in_burst SOURCES ${CMAKE_CURRENT_LIST_DIR}/sign_in_burst.cpp LIBS server tables_installer)
