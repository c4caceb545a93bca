parlino_add_bench(relay_load
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/relay_load.cpp
    LIBS relay platform_core)
