// Scanning the link: session, interface choice, link, first device list, link setting.
#include <algorithm>
#include <cstring>

#include "fieldbus/FieldbusLink.h"
#include "fieldbus/StatusLog.h"
#include "platform/Clock.h"
#include "platform/OffUiThread.h"
#include "platform/Ui.h"

using platform::GetClock;
using platform::GetUi;
using platform::RunServingEvents;
using platform::ShowMessage;

namespace fieldbus {
namespace {

bool EqualsNoCase(const std::string& a, const char* b) {
    return a.size() == std::strlen(b) &&
           std::equal(a.begin(), a.end(), b, [](char x, char y) { return std::tolower(x) == std::tolower(y); });
}

bool IsEthernetInterface(const nifInterfaceInfo& info) {
    std::string name(info.interfaceName, strnlen(info.interfaceName, sizeof info.interfaceName));
    std::string desc(info.interfaceDescription, strnlen(info.interfaceDescription, sizeof info.interfaceDescription));
    return EqualsNoCase(name, "Enet") && EqualsNoCase(desc, "ETHERNET INTERFACE");
}

// Keeps the dialog up for `ms`, serving the window's events; ends early when the user presses
// its button.
void Linger(platform::ProgressWindow& window, uint32_t ms) {
    if (!window.IsWatched()) return;
    const uint64_t start = GetClock().NowMs();
    while (GetClock().NowMs() - start < ms && !window.ButtonPressed()) {
        GetUi().PumpMessages();
        GetClock().SleepMs(platform::kServeEventsEveryMs);
    }
}

// The current link setting as read from the live devices' management information, with the
// texts of the reads that failed, in order; read off the user-interface thread.
struct LinkSettingRead {
    std::vector<std::string> errors;
    bool found = false;
    uint8_t firstUnpolled = 16;
    uint8_t numUnpolled = 0;
};

LinkSettingRead ReadLinkSettingOf(nifDesc_t link, const std::vector<LiveListEntry>& live) {
    LinkSettingRead read;
    for (const auto& entry : live) {
        nifDesc_t device = 0, mib = 0;
        if (nifOpenPhysicalDevice(link, NIF_BY_DEVICE_ID, entry.deviceId.c_str(), &device) != E_OK) {
            read.errors.emplace_back("Failed to get interface device descriptor.");
            continue;
        }
        if (nifOpenVfd(device, "MIB", &mib) != E_OK) {
            read.errors.emplace_back("Failed to get interface device MIB descriptor.");
            nifClose(device);
            continue;
        }
        uint8_t dlme[7] = {};
        uint16_t size = sizeof dlme;
        if (nifReadObject(mib, "DLME_BASIC_CHARACTERISTICS", dlme, &size) != E_OK) {
            read.errors.emplace_back("Error: Failed to read the MIB parameter.");
        } else if ((dlme[2] & 0x03) == 2) {
            uint8_t setting[13] = {};
            size = sizeof setting;
            if (nifReadObject(mib, "CURRENT_LINK_SETTING", setting, &size) != E_OK) {
                read.errors.emplace_back("Error: Failed to read the MIB parameter.");
            } else {
                read.firstUnpolled = setting[4];
                read.numUnpolled = setting[8];
                read.found = true;
            }
        }
        nifClose(mib);
        nifClose(device);
        if (read.found) break;
    }
    return read;
}

}  // namespace

bool FieldbusLink::InterfaceUsable(const nifInterfaceInfo& candidate, const std::vector<std::string>& bridged,
                                   bool linkingSeen) {
    if (IsEthernetInterface(candidate)) return makerEdition_.load() && linkingSeen;
    if (makerEdition_.load()) return true;
    // Partner edition: drop an H1 interface whose own host record is reached through the
    // Ethernet interface as well.
    nifDesc_t link = 0;
    if (nifOpenLink(session_, 0, candidate.interfaceName, 0, &link) != E_OK) return true;
    std::vector<nifLiveListEntry> records(kMaxLiveRecords);
    uint16_t count = kMaxLiveRecords;
    uint32_t total = 0;
    bool usable = true;
    if (nifGetDeviceList(link, records.data(), &count, &total) == E_OK) {
        for (uint16_t i = 0; i < count; ++i) {
            if (records[i].classFlags != NIF_CLASS_INTERFACE) continue;
            std::string id = RecordText(records[i].deviceId, sizeof records[i].deviceId);
            usable = std::find(bridged.begin(), bridged.end(), id) == bridged.end();
            break;
        }
    }
    nifClose(link);
    return usable;
}

// Applies the interface filter and lets the user pick when several remain. Returns 0 with
// interface_ set, or 1 when none is usable or the user picked none.
int FieldbusLink::ChooseInterface(std::vector<nifInterfaceInfo>& all) {
    // The interfaces are asked off the user-interface thread; the pick list comes after.
    std::vector<nifInterfaceInfo> usable = RunServingEvents([this, &all] {
        std::vector<std::string> bridged;
        bool linkingSeen = false;
        bool haveEthernet = false;
        for (const auto& info : all) {
            if (!IsEthernetInterface(info)) continue;
            haveEthernet = true;
            nifDesc_t link = 0;
            if (nifOpenLink(session_, 0, info.interfaceName, 0, &link) != E_OK) continue;
            std::vector<nifLiveListEntry> records(kMaxLiveRecords);
            uint16_t count = kMaxLiveRecords;
            uint32_t total = 0;
            if (nifGetDeviceList(link, records.data(), &count, &total) == E_OK) {
                for (uint16_t i = 0; i < count; ++i) {
                    if (records[i].classFlags & NIF_CLASS_BRIDGED)
                        bridged.push_back(RecordText(records[i].deviceId, sizeof records[i].deviceId));
                    if (records[i].classFlags & NIF_CLASS_LINKING) linkingSeen = true;
                }
            }
            nifClose(link);
        }
        std::vector<nifInterfaceInfo> kept;
        for (const auto& info : all)
            if (!haveEthernet || InterfaceUsable(info, bridged, linkingSeen)) kept.push_back(info);
        return kept;
    });
    if (usable.empty()) return 1;
    if (usable.size() == 1) {
        interface_ = usable[0];
        return 0;
    }
    GetUi().Beep(1000, 200);
    std::vector<std::string> names;
    for (const auto& info : usable)
        names.emplace_back(info.interfaceName, strnlen(info.interfaceName, sizeof info.interfaceName));
    int pick = GetUi().PickFromList("Select Interface", "Select the Fieldbus interface (link) to work on:", names);
    if (pick < 0 || pick >= static_cast<int>(usable.size())) return 1;
    interface_ = usable[static_cast<size_t>(pick)];
    return 0;
}

int FieldbusLink::ScanLink() {
    if (linkOpen_.load()) return 0;
    currentSlot_ = -1;
    companionSlot_ = -1;
    auto dialog = GetUi().CreateProgressWindow("Open the communication session and scan the link", "Cancel");
    if (!dialog) {
        ShowMessage("Error: Failed to create message display dialog.");
        return 1;
    }
    dialog->EnableButton(false);
    GetUi().PumpMessages();
    auto say = [&](const char* text) {
        dialog->AppendText(text);
        GetUi().PumpMessages();
    };
    auto cancelled = [&] { return dialog->ButtonPressed(); };
    auto closeAll = [&] {
        if (link_) nifClose(link_);
        if (session_) nifClose(session_);
        link_ = 0;
        session_ = 0;
    };

    bool ok = false;
    bool userCancelled = false;
    do {
        say("Opening communication session ...\r\n");
        // Each bus step runs off the user-interface thread; the descriptors it returns are
        // kept here, on this thread.
        nifDesc_t session = 0;
        int status = RunServingEvents([&session] { return nifOpenSession(nullptr, &session); });
        session_ = status == E_OK ? session : 0;
        if (status != E_OK) {
            lastStatus_ = status;
            break;
        }
        say("Open communication session successful.\r\n");
        say("Getting the Interface List ...\r\n");
        if ((userCancelled = cancelled())) break;

        std::memset(&interface_, 0, sizeof interface_);
        uint16_t count = 0;
        status = RunServingEvents([session, &count] { return nifGetInterfaceList(session, &count, nullptr); });
        if (status != E_OK && status != E_BUF_TOO_SMALL) {
            ShowMessage("Error: Failed to get a interface list due to buffer too small !");
            break;
        }
        std::vector<nifInterfaceInfo> interfaces(count);
        status = RunServingEvents(
            [session, &count, &interfaces] { return nifGetInterfaceList(session, &count, interfaces.data()); });
        if (status != E_OK) {
            if (status == E_BUF_TOO_SMALL) ShowMessage("Error: Failed to get a interface list due to buffer too small !");
            break;
        }
        interfaces.resize(count);
        if (ChooseInterface(interfaces) != 0) break;
        if ((userCancelled = cancelled())) break;

        say("Get the Interface List successful.\r\n");
        say("Opening the Link ...\r\n");
        nifDesc_t link = 0;
        const nifInterfaceInfo chosen = interface_;
        status = RunServingEvents(
            [session, &chosen, &link] { return nifOpenLink(session, 0, chosen.interfaceName, 0, &link); });
        link_ = status == E_OK ? link : 0;
        if (status != E_OK) {
            lastStatus_ = status;
            break;
        }
        say("Open the Link successful.\r\n");
        say("Getting the Device List ...\r\n");
        if ((userCancelled = cancelled())) break;

        ResetDeviceLists();
        std::vector<nifLiveListEntry> raw(kMaxLiveRecords);
        uint16_t records = kMaxLiveRecords;
        uint32_t total = 0;
        status = RunServingEvents([link, &raw, &records, &total] {
            return nifGetDeviceList(link, raw.data(), &records, &total);
        });
        raw_ = std::move(raw);
        if (status != E_OK || records == 0) {
            lastStatus_ = status;
            break;
        }
        raw_.resize(records);
        ok = !cancelled();
        userCancelled = !ok;
    } while (false);

    if (userCancelled)
        say("\r\nScanning Link cancelled.");
    else if (ok)
        say("\r\nScanning Link successful.");
    else
        say("\r\nUnable to open a communication session.");

    if (ok) {
        Linger(*dialog, 1000);
        dialog->Close();
        dialog.reset();
        {
            std::lock_guard<std::recursive_mutex> lock(listLock_);
            linkOpen_ = true;
            live_.clear();
            for (const auto& r : raw_) live_.push_back(ConvertLiveListRecord(r));
            liveCount_ = static_cast<int>(live_.size());
        }
        InitialFill();
        CountPresent();
        ReadLinkSetting();
        return 0;
    }
    closeAll();
    dialog->SetButtonText("OK");
    dialog->ResetButton();
    dialog->EnableButton(true);
    say("\r\n\r\n\r\n********** OFFLINE ONLY **********");
    Linger(*dialog, 3000);
    dialog->Close();
    return 1;
}

void FieldbusLink::ReadLinkSetting() {
    std::vector<LiveListEntry> live;
    {
        std::lock_guard<std::recursive_mutex> lock(listLock_);
        live = live_;
    }
    const nifDesc_t link = link_;
    const LinkSettingRead read = RunServingEvents([link, &live] { return ReadLinkSettingOf(link, live); });
    for (const std::string& error : read.errors) ShowMessage(error);
    if (read.found) {
        firstUnpolled_ = read.firstUnpolled;
        numUnpolled_ = read.numUnpolled;
        return;
    }
    firstUnpolled_ = 16;
    numUnpolled_ = 0;
    ShowMessage("Unable to get the current link setting.");
}

}  // namespace fieldbus
