# tessaro_add_gtest(<name> SOURCES ... LIBS ...)
# Builds one GoogleTest executable and registers its tests with CTest.
include(GoogleTest)
function(tessaro_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# tessaro_add_qttest(<name> SOURCES ... LIBS ...)
# A GoogleTest executable that needs a QApplication (offscreen platform).
function(tessaro_add_qttest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${CMAKE_SOURCE_DIR}/platform/testing/QtTestMain.cpp)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Widgets GTest::gtest Threads::Threads)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
