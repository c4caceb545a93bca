# The operator window: its controls, Reload All, Save Ncrit, sorting, "*" and the pop-ups.
parlino_add_test(NAME server_window_tests QT
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/WindowLayoutTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/WindowReloadTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/WindowStoreOpsTest.cpp
    LIBS server tables_installer Qt6::Test)
