# Helpers shared by the subsystem folders.

# zb_test(NAME SOURCES... LIBS lib...) builds one GoogleTest executable and
# registers its cases with CTest. Widget tests run on Qt's offscreen platform.
function(zb_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} zb_testsupport GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0;UBSAN_OPTIONS=print_stacktrace=1;ZB_TEST_BIN=$<TARGET_FILE:${name}>")
endfunction()
