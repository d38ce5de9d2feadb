#pragma once
// How library statuses are named and reported: the link's rule (message box unless quiet,
// a "Link Comm" line) and the device rule (a "Device <tag>" line only).
#include <string>

#include "platform/WindowMessages.h"

namespace fieldbus {

// "E_TIMEOUT" for -4; "" outside 0 .. -60.
std::string StatusName(int status);
// The statuses that are never shown in a box (E_INVALID_DESCRIPTOR, E_NOT_FOUND,
// E_COMM_ERROR, E_OBSOLETE_DESC, E_OBSOLETE_DEVICE).
bool IsQuietStatus(int status);

// Statuses that say the device or the server did not answer (time-out, communication
// error, lost or hung server, closed descriptor), as opposed to a refusal by the device.
bool IsCommunicationStatus(int status);

// Link log rule: returns 0 for a quiet status, else 1.
int LogLinkStatus(int status, bool quiet, platform::WindowHandle notify);
// Device log rule: appends the device line and posts WM_DEVICE_MESSAGE with the slot.
void LogDeviceStatus(const std::string& deviceTag, int slot, int status, platform::WindowHandle notify);

}  // namespace fieldbus
