# The signalling server: sign-in, call checks, relays, price offer, disconnect, Send Info.
parlino_add_test(NAME server_signalling_tests QT
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/SignInTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/CallRoutingTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ConnectionTest.cpp
    LIBS server tables_installer Qt6::Test)
