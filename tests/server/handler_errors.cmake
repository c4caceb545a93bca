# Errors inside socket and timer handlers under hostile input: shown after the handler,
# gathered, written to standard error, and the server keeps serving.
parlino_add_test(NAME server_handler_error_tests QT
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/HandlerErrorsTest.cpp
    LIBS server tables_installer Qt6::Test
    LABELS tsan)
