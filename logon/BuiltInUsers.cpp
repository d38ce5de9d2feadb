#include "logon/BuiltInUsers.h"

namespace logon {

bool IsPermanentUser(const std::string& name, Edition edition) {
    if (name == kTrainingUser) return true;
    return IsMakerEdition(edition) && name == kHolmgardUser;
}

}  // namespace logon
