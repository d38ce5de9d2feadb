#include "fieldbus/LinkMasterFlags.h"

namespace fieldbus {

bool IsLinkMasterType(uint16_t devType, uint8_t devRev) { return devType == 7 || (devType == 1 && devRev >= 3); }

bool IsNewerRevision(uint16_t devType, uint8_t devRev) {
    return (devType == 7 && devRev >= 2) || (devType == 1 && devRev >= 4);
}

bool IsLinkMasterClass(uint8_t dlmeClass) { return (dlmeClass & 0x03) == kBootClassLinkMaster; }

LinkMasterFlags DeriveLinkMasterFlags(uint16_t devType, uint8_t devRev, bool optionsRead, uint16_t devOptions,
                                      bool dlmeRead, uint8_t dlmeClass) {
    LinkMasterFlags flags;
    flags.linkMasterType = IsLinkMasterType(devType, devRev);
    flags.newerRevision = IsNewerRevision(devType, devRev);
    if (optionsRead) {
        flags.optionBit0 = (devOptions & 0x1) != 0;
        flags.optionBit1 = (devOptions & 0x2) != 0;
    }
    flags.linkMasterCapable = flags.linkMasterType && flags.optionBit0;
    flags.configuredAsLinkMaster = flags.linkMasterType && dlmeRead && IsLinkMasterClass(dlmeClass);
    return flags;
}

}  // namespace fieldbus
