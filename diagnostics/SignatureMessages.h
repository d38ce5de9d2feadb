#pragma once
// Window messages of the signature data loader.
namespace diagnostics {

// Posted by a record's loader thread when it ends: wParam the record (CSignatureData*),
// lParam the result (0 ok, -1 device buffer overrun, 2 invalid thread object, other failure).
inline constexpr unsigned WM_SIG_DATA_LOADED = 0x42D;

}  // namespace diagnostics
