# Start-up, Start/Stop Server, Start Editor, the tray and the server day.
parlino_add_test(NAME server_startup_tests QT
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/StartupServerTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/StartupEditorTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/StartupTrayTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ServerDayTest.cpp
    LIBS server tables_installer Qt6::Test)

# The ParlinoServer program itself, started as a process on demo data.
parlino_add_test(NAME server_startup_process_test QT
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/StartupProcessTest.cpp
    LIBS server tables_installer)
target_compile_definitions(server_startup_process_test PRIVATE
    PARLINO_SERVER_BINARY="$<TARGET_FILE:ParlinoServer>")
add_dependencies(server_startup_process_test ParlinoServer)
