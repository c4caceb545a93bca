# The table store, critical.fix, row copying and the installation data.
parlino_add_test(NAME server_store_tests QT
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/ClientIDSlotsTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/CriticalFixTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/CopyRecordsTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/InstallationDataTest.cpp
    LIBS server tables_installer)
