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

# What the X display shows of the window, under a virtual display.
parlino_add_test(NAME server_display_test QT
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/StartupDisplayTest.cpp
    LIBS server tables_installer Qt6::Test X11::X11)
find_program(PARLINO_XVFB_RUN xvfb-run REQUIRED)
set_property(TARGET server_display_test PROPERTY CROSSCOMPILING_EMULATOR ${PARLINO_XVFB_RUN} -a)
set_property(TEST server_display_test APPEND PROPERTY ENVIRONMENT QT_QPA_PLATFORM=xcb)
# The X platform plugin keeps a D-Bus connection to the end of the process.
set_property(TEST server_display_test APPEND PROPERTY ENVIRONMENT ASAN_OPTIONS=detect_leaks=0:abort_on_error=1)
