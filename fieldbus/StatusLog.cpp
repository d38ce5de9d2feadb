#include "fieldbus/StatusLog.h"

#include "fieldbus/DeviceMessages.h"
#include "fieldbus/FieldbusMessages.h"
#include "fieldbus/MessageLog.h"
#include "nifb/nifb.h"
#include "platform/Ui.h"

namespace fieldbus {

std::string StatusName(int status) { return nifStatusName(status); }

bool IsQuietStatus(int status) {
    return status == E_INVALID_DESCRIPTOR || status == E_NOT_FOUND || status == E_COMM_ERROR ||
           status == E_OBSOLETE_DESC || status == E_OBSOLETE_DEVICE;
}

bool IsCommunicationStatus(int status) {
    switch (status) {
        case E_INVALID_DESCRIPTOR:
        case E_TIMEOUT:
        case E_COMM_ERROR:
        case E_OBSOLETE_DESC:
        case E_SERVER_NOT_RESPONDING:
        case E_OBSOLETE_DEVICE:
        case E_SERVER_CONNECTION_LOST:
        case E_NETWORK_DISTURBED:
        case E_APPLICATION_UNREACHABLE: return true;
        default: return false;
    }
}

int LogLinkStatus(int status, bool quiet, platform::WindowHandle notify) {
    const std::string message = platform::Format("Error (%d): %s", status, StatusName(status).c_str());
    const bool silent = IsQuietStatus(status);
    if (!quiet && !silent) ShowNotice(message, platform::MB_OK | platform::MB_ICONSTOP);
    MessageLog::Instance().Append("Link Comm " + message + TimeStamp() + "\r\n");
    if (status == E_SERVER_CONNECTION_LOST)
        platform::PostMessage(notify, WM_SERVER_CONNECTION_LOST, 0, static_cast<intptr_t>(E_SERVER_CONNECTION_LOST));
    else
        platform::PostMessage(notify, WM_DEVICE_MESSAGE, 0, 0);
    return silent ? 0 : 1;
}

void LogDeviceStatus(const std::string& deviceTag, int slot, int status, platform::WindowHandle notify) {
    const std::string message = platform::Format(" Error (%d): %s", status, StatusName(status).c_str());
    const std::string comm = IsQuietStatus(status) ? " Comm" : "";
    MessageLog::Instance().Append("Device " + deviceTag + comm + message + TimeStamp() + "\r\n");
    platform::PostMessage(notify, WM_DEVICE_MESSAGE, static_cast<uintptr_t>(slot), 0);
}

}  // namespace fieldbus
