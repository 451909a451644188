# Helpers shared by the subsystem folders.

# zb_test(NAME SOURCES... LIBS lib...) builds one GoogleTest executable and
# registers its cases with CTest. Widget tests run on Qt's offscreen platform.
# Leak checking is on; a test binary that loads the system's font and window
# libraries adds tests/support/leak_check_off.cpp to its sources.
function(zb_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} zb_testsupport GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
