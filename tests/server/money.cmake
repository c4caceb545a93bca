# Money kept safe: a top-up cut short at any step, and hostile values from subscribers and lines.
parlino_add_test(NAME server_money_tests QT
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/TopUpInterruptedTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/HostileValuesTest.cpp
    LIBS server tables_installer)
