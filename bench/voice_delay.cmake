parlino_add_bench(bench_voice_delay
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/voice_delay.cpp
    LIBS client_media relay platform_core)
# The two-softphone link and its lossy path are the end-to-end test's.
target_include_directories(bench_voice_delay PRIVATE ${PROJECT_SOURCE_DIR}/tests
    ${PROJECT_SOURCE_DIR}/tests/client/media)
