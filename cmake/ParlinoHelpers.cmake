# parlino_add_test(NAME <name> [QT] SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable registered with CTest. Tests run headless (offscreen Qt
# platform) from their own scratch directory under the build tree.
# With QT, the test gets a QApplication (tests/QtTestMain.cpp) instead of gtest's own main.
function(parlino_add_test)
    cmake_parse_arguments(ARG "QT" "NAME" "SOURCES;LIBS" ${ARGN})
    if(ARG_QT)
        add_executable(${ARG_NAME} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/QtTestMain.cpp)
        target_link_libraries(${ARG_NAME} PRIVATE Qt6::Widgets GTest::gtest)
    else()
        add_executable(${ARG_NAME} ${ARG_SOURCES})
        target_link_libraries(${ARG_NAME} PRIVATE GTest::gtest_main)
    endif()
    target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} GTest::gtest parlino_warnings)
    # Every test may use the shared test support (tests/support).
    if(TARGET test_support)
        target_link_libraries(${ARG_NAME} PRIVATE test_support)
    endif()
    target_include_directories(${ARG_NAME} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    set(workdir ${CMAKE_CURRENT_BINARY_DIR}/${ARG_NAME}.work)
    file(MAKE_DIRECTORY ${workdir})
    add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME} WORKING_DIRECTORY ${workdir})
    set_tests_properties(${ARG_NAME} PROPERTIES
        TIMEOUT 300
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endfunction()

# parlino_add_library(<name> <STATIC sources...>) with the project's include root and warnings.
function(parlino_add_library name)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE parlino_warnings)
endfunction()
