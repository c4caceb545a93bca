parlino_add_bench(bench_audio
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/audio.cpp
    LIBS common_audio platform_audio)
