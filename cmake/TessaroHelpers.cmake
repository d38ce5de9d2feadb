include(GoogleTest)

# Labels of a test program's tests: "threads" for those in TESSARO_THREAD_TESTS.
function(_tessaro_test_labels name out)
  if(name IN_LIST TESSARO_THREAD_TESTS)
    set(${out} threads PARENT_SCOPE)
  else()
    set(${out} all PARENT_SCOPE)
  endif()
endfunction()

# Test programs are compiled without optimisation in an optimised build: that halves their
# compile time, while the code under test, in the libraries, keeps the build's optimisation.
list(APPEND TESSARO_TEST_COMPILE_OPTIONS $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-O0>)

# Compile options of a test program's own sources.
# In a unity build a test program's sources are compiled as one batch, as they are rebuilt
# together anyway. (GCC would warn that fixtures in the files' anonymous namespaces are then
# used outside the main file, which is harmless.)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND TESSARO_TEST_COMPILE_OPTIONS -Wno-subobject-linkage)
endif()
function(_tessaro_test_options name)
  target_compile_options(${name} PRIVATE ${TESSARO_TEST_COMPILE_OPTIONS})
  set_target_properties(${name} PROPERTIES UNITY_BUILD_BATCH_SIZE 0)
endfunction()

# tessaro_add_gtest(<name> SOURCES ... LIBS ...)
# Builds one GoogleTest executable and registers its tests with CTest.
function(tessaro_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  _tessaro_test_options(${name})
  _tessaro_test_labels(${name} labels)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS ${labels})
endfunction()

# tessaro_add_qttest(<name> SOURCES ... LIBS ...)
# A GoogleTest executable that needs a QApplication (offscreen platform).
function(tessaro_add_qttest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${CMAKE_SOURCE_DIR}/platform/testing/QtTestMain.cpp)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Widgets GTest::gtest Threads::Threads)
  _tessaro_test_options(${name})
  _tessaro_test_labels(${name} labels)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS ${labels})
endfunction()

# tessaro_add_picture_tool(<name> <sources>...)
# A program that takes pictures of windows for the README. Built with everything unless
# TESSARO_PICTURE_TOOLS is off (the checking builds turn it off: they never run them);
# the target `pictures` builds them all either way.
option(TESSARO_PICTURE_TOOLS "Build the programs that take the README's pictures" ON)
add_custom_target(pictures)
function(tessaro_add_picture_tool name)
  if(TESSARO_PICTURE_TOOLS)
    add_executable(${name} ${ARGN})
  else()
    add_executable(${name} EXCLUDE_FROM_ALL ${ARGN})
  endif()
  add_dependencies(pictures ${name})
endfunction()
