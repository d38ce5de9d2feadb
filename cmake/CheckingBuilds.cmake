# The checking builds that scripts/check.sh makes, each in a build folder of its own:
#   TESSARO_ASAN  every target with the address and undefined-behaviour checkers
#   TESSARO_TSAN  every target with the thread checker (the check runs the thread tests)
#   TESSARO_FUZZ  clang; everything with coverage for libFuzzer and the address and
#                 undefined-behaviour checkers; fuzz/ builds real fuzzers instead of the
#                 corpus replays of the other builds
# A normal build uses none of them.
option(TESSARO_ASAN "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(TESSARO_TSAN "Build with ThreadSanitizer" OFF)
option(TESSARO_FUZZ "Build the libFuzzer targets (clang)" OFF)

set(_checks 0)
foreach(_option TESSARO_ASAN TESSARO_TSAN TESSARO_FUZZ)
  if(${_option})
    math(EXPR _checks "${_checks} + 1")
  endif()
endforeach()
if(_checks GREATER 1)
  message(FATAL_ERROR "TESSARO_ASAN, TESSARO_TSAN and TESSARO_FUZZ each need a build folder of their own")
endif()

# Any finding ends the program, so that a test or fuzzer run fails on it.
set(_undefined -fsanitize=undefined -fno-sanitize-recover=all)
# GCC's flow analysis sees the checkers' instrumentation and warns of uninitialised values
# inside the standard library where there are none.
if((TESSARO_ASAN OR TESSARO_TSAN) AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-Wno-maybe-uninitialized)
endif()
if(TESSARO_ASAN)
  add_compile_options(-fsanitize=address ${_undefined} -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address ${_undefined})
endif()
if(TESSARO_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
if(TESSARO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TESSARO_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address ${_undefined} -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address ${_undefined})
endif()
