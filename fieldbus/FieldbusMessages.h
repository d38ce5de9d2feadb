#pragma once
// Window messages that the link and the devices post to their notification windows.
#include "platform/WindowMessages.h"

namespace fieldbus {

inline constexpr unsigned WM_LIVELIST_CHANGED = 0x40E;
inline constexpr unsigned WM_DEVICE_MESSAGE = 0x419;
inline constexpr unsigned WM_DEVICE_NOT_OPEN = 0x41A;
inline constexpr unsigned WM_SERVER_CONNECTION_LOST = 0x479;
inline constexpr unsigned WM_MESSAGE_DISPLAY_REFRESH = 0x411;

}  // namespace fieldbus
