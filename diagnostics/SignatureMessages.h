#pragma once
// Window messages of the signature test: posted by the signature worker, the progress window
// and the record loaders to the signature page. wParam is the kind index (0xFF for a run of
// all kinds) unless noted.
namespace diagnostics {

inline constexpr unsigned WM_SIG_SUCCEEDED = 0x41E;       // a measurement ended with result 1
inline constexpr unsigned WM_SIG_CANCELLED = 0x41F;       // a measurement ended with result 2
inline constexpr unsigned WM_SIG_WARNING = 0x420;         // lParam 1 when the measurement has ended
inline constexpr unsigned WM_SIG_PROGRESS = 0x421;        // lParam 1: a new kind began / waiting to load
inline constexpr unsigned WM_SIG_STARTED = 0x422;         // the device started the measurement
inline constexpr unsigned WM_SIG_FINISHED = 0x423;        // the worker has finished (wParam 0)
inline constexpr unsigned WM_SIG_CANCEL_CURRENT = 0x424;  // from the progress window
inline constexpr unsigned WM_SIG_CANCEL_ALL = 0x425;      // from the progress window
inline constexpr unsigned WM_SIG_ERROR = 0x427;           // the procedure failed
inline constexpr unsigned WM_SIG_DEVICE_ERROR = 0x428;    // error result; lParam 1 when ended
inline constexpr unsigned WM_SIG_HIRES_CHUNK = 0x429;     // wParam first point, lParam 50
inline constexpr unsigned WM_SIG_HIRES_OVERRUN = 0x42A;   // wParam the first point not loaded
inline constexpr unsigned WM_SIG_STEP_SERIES_DONE = 0x42C;
// Posted by a record's loader thread when it ends: wParam the record (CSignatureData*),
// lParam the result (0 ok, -1 device buffer overrun, 2 invalid thread object, other failure).
inline constexpr unsigned WM_SIG_DATA_LOADED = 0x42D;
inline constexpr unsigned WM_SIG_STABILIZE_TIMEOUT = 0x42E;  // wParam 0

// wParam of the notifications of a run of all kinds.
inline constexpr unsigned kAllKinds = 0xFF;

}  // namespace diagnostics
