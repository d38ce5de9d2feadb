#include "firmware/DownloadErrors.h"

namespace firmware {

std::string DownloadErrorText(uint16_t code) {
    switch (code) {
        case 0: return "";
        case 0x8000: return "Unsupported header version";
        case 0x8001: return "Abnormal header size";
        case 0x8002: return "Abnormal manufacture ID";
        case 0x8003: return "Abnormal device family";
        case 0x8004: return "Abnormal device revision";
        case 0x8005: return "Abnormal vendor header version";
        case 0x8006: return "Abnormal number of modules";
        case 0x8007: return "Abnormal number of bytes in module 1";
        case 0x8008: return "Abnormal number of bytes in module 2";
        case 0x8009: return "Device error in module 1";
        case 0x800A: return "Checksum error in module 1";
        case 0x800B: return "Checksum error in file";
        case 0x800C: return "Unused";
        case 0x800D: return "Write-prohibited area in FlashROM";
        case 0x800E: return "Verification error during FlashROM writing";
        case 0x800F: return "Polling error during FlashROM erasing";
        case 0x8010: return "Polling time-out during FlashROM erasing";
        case 0x8011: return "Polling error during FlashROM writing";
        case 0x8012: return "Polling time-out during FlashROM writing";
        case 0x8013:
        case 0x8016: return "FlashROM driver undefined number error";
        case 0x8014: return "File endcode error";
        case 0x8015: return "File type error (UPDATE, ORIGINAL)";
        case 0x8017: return "On-start state error (other than DWNLD_NOT_READY)";
        case 0x8018: return "Start segment error in module 1";
        case 0x8019:
        case 0x801A: return "Binary file error";
        case 0x801B: return "Device error in module 2";
        case 0x801C: return "Detection of EEPROM state other than backup after activation";
        case 0x801D: return "Checksum error in module 2";
        case 0x801E: return "Not in DWNLD_READY state when receiving GenericDomainInitiate";
        case 0x801F: return "Not in DWNLD_OK state when receiving GenericDomainTerminate";
        case 0x8020: return "Not in DOWNLOADING state when receiving GenericDomainSegment";
        case 0x8021: return "Firmware error";
        default: return "Unknow downloading error";
    }
}

}  // namespace firmware
