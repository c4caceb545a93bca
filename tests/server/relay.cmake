# The voice relay thread and the server's voice sockets.
parlino_add_test(NAME relay_tests
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/relay/RelayForwardingTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/relay/RelayTalksTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/relay/VoiceSocketTablesTest.cpp
    LIBS relay)
