# PIN cards: the generator's draws, the operator's card buttons, top-up and the balance request.
parlino_add_test(NAME server_pin_tests QT
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/PinRandomTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/PinButtonsTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/PinTopUpTest.cpp
    LIBS server tables_installer)
