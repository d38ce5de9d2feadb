#include "logon/HasPrivilege.h"

#include "logon/CurrentUser.h"
#include "logon/RunMode.h"
#include "platform/Ui.h"

namespace logon {

bool IsPrivileged(int operationClass, uint32_t level, int runMode) {
    switch (operationClass) {
        case 1: return level >= 8;
        case 2: return level >= 5;
        case 3: return level >= 4;
        case 4:
            if (runMode == kRunModeStandalone) return level >= 3;
            if (runMode == kRunModeQamPlugIn || runMode == kRunModeAmsSnapOn) return level >= 2;
            return false;
        case 5: return level >= 1;
        case 6: return level == 9;
        default: return false;
    }
}

bool HasPrivilege(int operationClass, bool showMessage) {
    if (IsPrivileged(operationClass, CurrentUser::Level(), GetRunMode())) return true;
    if (showMessage) platform::ShowMessage("Attempted operation is unauthorized .");
    return false;
}

}  // namespace logon
