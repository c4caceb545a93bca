# Talks and billing: talk start and end, the billing tick, and voice through the relay.
parlino_add_test(NAME server_talk_tests QT
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/TalkStartEndTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/TalkBillingTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/TalkVoiceTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/TalkGridsTest.cpp
    LIBS server tables_installer Qt6::Test
    LABELS tsan)
