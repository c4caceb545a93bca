# parlino_add_folders(<folder>...)
# The one way a folder joins the build: every folder listed, relative to the current one,
# must have its own CMakeLists.txt. A listed folder without one (misnamed, not yet written,
# removed) stops the configuration, so it can never build nothing while the tests stay green.
# A macro, so that what a folder leaves in its caller's scope stays visible there.
macro(parlino_add_folders)
    foreach(parlino_folder IN ITEMS ${ARGN})
        if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${parlino_folder}/CMakeLists.txt)
            message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${parlino_folder} is listed as a "
                                "folder of the build but has no CMakeLists.txt")
        endif()
        add_subdirectory(${parlino_folder})
    endforeach()
endmacro()

# parlino_add_test(NAME <name> [QT] SOURCES <files...> LIBS <targets...> [LABELS <labels...>])
# One GoogleTest executable registered with CTest. Tests run headless (offscreen Qt
# platform) from their own scratch directory under the build tree.
# With QT, the test gets a QApplication (tests/QtTestMain.cpp) instead of gtest's own main.
# LABELS tsan: the test also runs in the ThreadSanitizer build (./run.sh tsan); give it to
# every test that runs threads of our own.
function(parlino_add_test)
    cmake_parse_arguments(ARG "QT" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
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
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1;TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp")
    if(ARG_LABELS)
        set_tests_properties(${ARG_NAME} PROPERTIES LABELS "${ARG_LABELS}")
    endif()
endfunction()

# parlino_add_library(<name> <STATIC sources...>) with the project's include root and warnings.
function(parlino_add_library name)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE parlino_warnings)
endfunction()
