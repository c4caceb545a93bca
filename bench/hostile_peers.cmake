parlino_add_bench(bench_hostile_peers SOURCES ${CMAKE_CURRENT_LIST_DIR}/hostile_peers.cpp LIBS server tables_installer)
