#pragma once
// Window messages that the link and the devices post to their notification windows.
#include "platform/WindowMessages.h"

namespace fieldbus {

inline constexpr unsigned WM_LIVELIST_CHANGED = 0x40E;
inline constexpr unsigned WM_DEVICE_MESSAGE = 0x419;
inline constexpr unsigned WM_DEVICE_NOT_OPEN = 0x41A;
inline constexpr unsigned WM_SERVER_CONNECTION_LOST = 0x479;
inline constexpr unsigned WM_MESSAGE_DISPLAY_REFRESH = 0x411;

// ---- View readers and process poll: posted to the window that started the thread, with the
// device slot as wParam and 0 as lParam.
inline constexpr unsigned WM_TBVIEW3_UPDATED = 0x402;
inline constexpr unsigned WM_AOVIEW1_UPDATED = 0x404;
inline constexpr unsigned WM_RBVIEW1_UPDATED = 0x406;
inline constexpr unsigned WM_PIDVIEW3_UPDATED = 0x408;
inline constexpr unsigned WM_DI1VIEW1_UPDATED = 0x409;
inline constexpr unsigned WM_DI2VIEW1_UPDATED = 0x40A;
inline constexpr unsigned WM_PROCESS_POLLED = 0x40B;
inline constexpr unsigned WM_SPLTVIEW1_UPDATED = 0x46F;

}  // namespace fieldbus
