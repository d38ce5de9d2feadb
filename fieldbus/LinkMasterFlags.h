#pragma once
// What a device can and does do as a link master (a backup link active scheduler), derived
// from its resource block's type and revision, the transducer block's option bits and the
// data-link class in its management information base.
#include <cstdint>

namespace fieldbus {

struct LinkMasterFlags {
    bool linkMasterType = false;         // type and revision can act as link master
    bool newerRevision = false;          // a later firmware generation
    bool optionBit0 = false;             // DEV_OPTIONS bit 0
    bool optionBit1 = false;             // DEV_OPTIONS bit 1
    bool linkMasterCapable = false;      // link-master type with option bit 0
    bool configuredAsLinkMaster = false; // DLME class 2 (link-master types only)
};

// DEV_TYPE 7, or DEV_TYPE 1 from DEV_REV 3.
bool IsLinkMasterType(uint16_t devType, uint8_t devRev);
// DEV_TYPE 7 from DEV_REV 2, or DEV_TYPE 1 from DEV_REV 4.
bool IsNewerRevision(uint16_t devType, uint8_t devRev);
// The two low bits of the third byte of DLME_BASIC_CHARACTERISTICS equal 2.
bool IsLinkMasterClass(uint8_t dlmeClass);

// The flags from what could be read: the options as an integer with bit k of the bit string
// as bit k; the DLME class counts only for a link-master type.
LinkMasterFlags DeriveLinkMasterFlags(uint16_t devType, uint8_t devRev, bool optionsRead, uint16_t devOptions,
                                      bool dlmeRead, uint8_t dlmeClass);

// Management objects and resource block values of link mastership and restart.
inline constexpr const char* kPrimaryLinkMasterFlag = "PRIMARY_LINK_MASTER_FLAG";
inline constexpr const char* kDlmeBasicCharacteristics = "DLME_BASIC_CHARACTERISTICS";
inline constexpr const char* kBootOperatFunctionalClass = "BOOT_OPERAT_FUNCTIONAL_CLASS";
inline constexpr uint16_t kDlmeBasicCharacteristicsSize = 7;
inline constexpr uint8_t kBootClassBasic = 1;
inline constexpr uint8_t kBootClassLinkMaster = 2;
inline constexpr uint8_t kRestartRun = 1;
inline constexpr uint8_t kRestartProcessor = 4;

}  // namespace fieldbus
