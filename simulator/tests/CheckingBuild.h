#pragma once
// Whether this program is built with a checker (thread, address): wall-time bounds that hold
// for the optimised build are then scaled, as the checkers slow the code under test many times.
namespace simulator::testing {

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
inline constexpr bool kCheckingBuild = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer) || __has_feature(address_sanitizer)
inline constexpr bool kCheckingBuild = true;
#else
inline constexpr bool kCheckingBuild = false;
#endif
#else
inline constexpr bool kCheckingBuild = false;
#endif

}  // namespace simulator::testing
