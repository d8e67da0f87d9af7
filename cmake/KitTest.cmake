include(GoogleTest)

# kit_add_test(NAME name SOURCES a_test.cpp ... LIBS lib ...)
# One test program per library; every TEST of it becomes one ctest case. Tests run with a private
# system root and no display, so nothing they do reaches the user's own system root or screen.
function(kit_add_test)
    cmake_parse_arguments(ARG "" "NAME" "SOURCES;LIBS" ${ARGN})
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
    target_include_directories(${ARG_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    set_target_properties(${ARG_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_compile_definitions(${ARG_NAME} PRIVATE
        KIT_FIXTURES_DIR="${CMAKE_SOURCE_DIR}/tests/fixtures"
        KIT_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
    gtest_discover_tests(${ARG_NAME}
        DISCOVERY_MODE PRE_TEST
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;DISPLAY=;WAYLAND_DISPLAY=;WINSYS_ROOT=${CMAKE_BINARY_DIR}/test-root-unset")
endfunction()
