#pragma once
// How configuration transfers reach the bus. A window hands in a runner that does the work on
// a helper thread while its own thread keeps serving events (so the progress window's Cancel
// button can be pressed); a command-line front end or a test runs the work in place. Work
// handed to a runner never shows a message box itself: questions and notes are asked by the
// transfer between two pieces of bus work, on the caller's thread.
#include <functional>

namespace config {

using BusWork = std::function<int()>;
using BusRunner = std::function<int(const BusWork&)>;

// Runs `work` on the calling thread.
inline int RunInPlace(const BusWork& work) { return work(); }

// `runner`, or RunInPlace when it is empty.
inline BusRunner OrInPlace(const BusRunner& runner) { return runner ? runner : BusRunner(&RunInPlace); }

}  // namespace config
