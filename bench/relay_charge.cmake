parlino_add_bench(bench_relay_charge SOURCES ${CMAKE_CURRENT_LIST_DIR}/relay_charge.cpp LIBS server tables_installer)
