# The checking builds that scripts/check.sh makes:
#   TESSARO_ASAN  every target with the address and undefined-behaviour checkers
#   TESSARO_TSAN  every target with the thread checker (the check runs the thread tests)
#   TESSARO_FUZZ  clang; the address and undefined-behaviour checkers as with TESSARO_ASAN,
#                 the libraries also with coverage for libFuzzer, and fuzz/ builds real
#                 fuzzers instead of the corpus replays of the other builds. It may be
#                 combined with TESSARO_ASAN, so that one build serves the checked test
#                 suite and the fuzzers alike.
# A normal build uses none of them.
option(TESSARO_ASAN "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(TESSARO_TSAN "Build with ThreadSanitizer" OFF)
option(TESSARO_FUZZ "Build the libFuzzer targets (clang)" OFF)

if(TESSARO_TSAN AND (TESSARO_ASAN OR TESSARO_FUZZ))
  message(FATAL_ERROR "TESSARO_TSAN needs a build folder of its own (the thread checker excludes the others)")
endif()

# Any finding ends the program, so that a test or fuzzer run fails on it.
set(_undefined -fsanitize=undefined -fno-sanitize-recover=all)
# GCC's flow analysis sees the checkers' instrumentation and warns of uninitialised values
# inside the standard library where there are none.
if((TESSARO_ASAN OR TESSARO_TSAN) AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-Wno-maybe-uninitialized)
endif()
if(TESSARO_ASAN AND NOT TESSARO_FUZZ)
  add_compile_options(-fsanitize=address ${_undefined} -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address ${_undefined})
endif()
if(TESSARO_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
  # The threads under test run in the libraries; the test programs' own code compiles
  # quicker unoptimised.
  set(TESSARO_TEST_COMPILE_OPTIONS -O0)
endif()
if(TESSARO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TESSARO_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address ${_undefined} -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address ${_undefined})
  # Test programs are not fuzzed: their own code needs no coverage, which only slows its
  # compilation (the checkers' runtime provides the hooks the instrumented libraries call).
  set(TESSARO_TEST_COMPILE_OPTIONS -fno-sanitize=fuzzer-no-link)
endif()
