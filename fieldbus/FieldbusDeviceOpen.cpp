// Opening and closing a device: physical device, VFDs, blocks and the management information
// base, each step written to the open progress window; block recognition.
#include <cstring>

#include "fieldbus/BlockKind.h"
#include "fieldbus/BoundedClose.h"
#include "fieldbus/DeviceMessages.h"
#include "fieldbus/FieldbusDevice.h"
#include "platform/Clock.h"
#include "platform/OffUiThread.h"
#include "platform/Ui.h"

namespace fieldbus {

namespace {
constexpr uint16_t kProfileAo = 0x0102;
constexpr uint16_t kProfileDi = 0x0103;
constexpr uint16_t kProfilePid = 0x0108;
constexpr uint16_t kProfileSplitter = 0x011C;
constexpr uint16_t kProfileInputSelector = 0x0126;
constexpr uint16_t kProfileArithmetic = 0x0127;
constexpr int kVfdListAttempts = 4;
constexpr int kVfdCapacity = 1;
constexpr uint32_t kStayAfterSuccessMs = 1000;
constexpr uint32_t kStayAfterFailureMs = 5000;

// The user ends the open by closing the progress window (or pressing its button).
bool UserClosed(platform::ProgressWindow& window) {
    platform::GetUi().PumpMessages();
    return window.ButtonPressed() || !window.IsOpen();
}

BlockRecord ToBlockRecord(const nifBlockInfo& info) {
    BlockRecord record;
    record.tag = TrimRight(FieldText(info.blockTag, sizeof info.blockTag));
    record.startIndex = info.startIndex;
    record.profile = info.profile;
    record.numParameters = info.numParameters;
    record.blockType = info.blockType;
    record.startOfView1 = info.startOfView1;
    record.numView3 = info.numView3;
    return record;
}

}  // namespace

struct FieldbusDevice::OpenState {
    nifDesc_t physical = 0;
    std::vector<nifDesc_t> vfds;
    nifDesc_t mib = 0;
    std::vector<nifDesc_t> blocks;
    std::vector<BlockRecord> records;
    nifVfdInfo firstVfd{};
    BlockIds ids = NoBlockIds();
    bool cancelled = false;
};

// The first block of a kind gets its number; DI and PID have a second number for the second
// block of their profile.
void FieldbusDevice::IdentifyBlock(int blockNumber, const BlockRecord& record, BlockIds& ids, std::string& progress) {
    const char* format = "\r\nOpening Block %s ...";
    auto id = [&ids](BlockKind kind) -> int& { return ids[static_cast<size_t>(kind)]; };
    auto setFirst = [&](BlockKind kind) {
        if (id(kind) < 0) id(kind) = blockNumber;
    };
    auto setFirstOrSecond = [&](BlockKind first, BlockKind second) {
        if (id(first) < 0)
            id(first) = blockNumber;
        else if (id(second) < 0)
            id(second) = blockNumber;
    };
    if (record.blockType == NIF_RESOURCE_BLOCK) {
        format = "\r\nOpening RB Block %s ...";
        setFirst(BlockKind::RB);
    } else if (record.blockType == NIF_TRANSDUCER_BLOCK) {
        format = "\r\nOpening TB Block %s ...";
        setFirst(BlockKind::TB);
    } else if (record.blockType == NIF_FUNCTION_BLOCK) {
        switch (record.profile) {
        case kProfileAo:
            format = "\r\nOpening AO Block %s ...";
            setFirst(BlockKind::AO);
            break;
        case kProfileDi:
            format = "\r\nOpening DI Block %s ...";
            setFirstOrSecond(BlockKind::DI1, BlockKind::DI2);
            break;
        case kProfilePid:
            format = "\r\nOpening PID Block %s ...";
            setFirstOrSecond(BlockKind::PID, BlockKind::PID2);
            break;
        case kProfileSplitter:
            format = "\r\nOpening OS Block %s ...";
            setFirst(BlockKind::SPLT);
            break;
        case kProfileInputSelector:
            format = "\r\nOpening IS Block %s ...";
            setFirst(BlockKind::IS);
            break;
        case kProfileArithmetic:
            format = "\r\nOpening AR Block %s ...";
            setFirst(BlockKind::AR);
            break;
        default:
            break;
        }
    }
    progress = platform::Format(format, record.tag.c_str());
}

void FieldbusDevice::CloseOpenState(OpenState& state) {
    for (nifDesc_t block : state.blocks) nifClose(block);
    if (state.mib != 0) nifClose(state.mib);
    for (nifDesc_t vfd : state.vfds) nifClose(vfd);
    if (state.physical != 0) nifClose(state.physical);
    const bool cancelled = state.cancelled;
    state = OpenState{};
    state.cancelled = cancelled;
}

int FieldbusDevice::RunOpenSteps(OpenState& state, platform::ProgressWindow& window) {
    const std::string tag = Tag();
    const std::string deviceId = [this] {
        std::lock_guard<std::recursive_mutex> lock(accessLock_);
        return deviceId_;
    }();
    const char* tagText = tag.c_str();
    auto fail = [this](int status) {
        SetLastStatus(status);
        ReportStatus(status);
    };
    auto cancelled = [&state, &window] {
        if (UserClosed(window)) state.cancelled = true;
        return state.cancelled;
    };

    // Physical device.
    window.AppendText("Opening Physical Device ...");
    // Every bus step runs off the user-interface thread, which keeps serving the progress
    // window and the main window meanwhile; the texts are written here afterwards.
    using platform::RunServingEvents;
    const nifDesc_t link = link_ ? link_->LinkDescriptor() : 0;
    int status = RunServingEvents([link, &deviceId, &state] {
        return nifOpenPhysicalDevice(link, NIF_BY_DEVICE_ID, deviceId.c_str(), &state.physical);
    });
    SetLastStatus(status);
    if (status != E_OK) {
        state.physical = 0;
        fail(status);
        ShowError(platform::Format("Error: Failed to open physical device %s !", tagText));
        window.AppendText("Failed.");
        return 1;
    }
    window.AppendText("Successful.");
    if (cancelled()) return 1;

    // VFD list: a changed VFD list is asked again at once; other failures are retried.
    window.AppendText("\r\nGetting VFD List ...");
    nifVfdInfo vfdList[kVfdCapacity] = {};
    uint16_t vfdCount = 0;
    bool changeRetried = false;
    for (int attempt = 1;;) {
        vfdCount = kVfdCapacity;
        status = RunServingEvents(
            [&state, &vfdList, &vfdCount] { return nifGetVFDList(state.physical, vfdList, &vfdCount); });
        // A device with more VFDs than asked for answers with the list cut to the capacity.
        if (status == E_BUF_TOO_SMALL && vfdCount > kVfdCapacity) status = E_OK;
        SetLastStatus(status);
        if (status == E_OK) break;
        if (status == E_VFD_CHANGED && !changeRetried) {
            changeRetried = true;
            continue;
        }
        fail(status);
        if (attempt >= kVfdListAttempts) {
            ShowError(platform::Format("Error: Failed to get VFD list for device %s !", tagText));
            window.AppendText("Failed.");
            return 1;
        }
        ++attempt;
        window.AppendText("Retry...");
        if (cancelled()) return 1;
    }
    if (vfdCount == 0) {
        ShowWarning(platform::Format("WARNING: There is no VFD in device %s; device closed !", tagText));
        window.AppendText("Failed.");
        return 1;
    }
    if (vfdCount > kVfdCapacity)
        ShowWarning(platform::Format("WARNING: There are more than %d VFDs in device %s !", kVfdCapacity, tagText));
    state.firstVfd = vfdList[0];
    window.AppendText("Successful.");
    if (cancelled()) return 1;

    // VFDs: the first carries the blocks; a second one is opened and kept, nothing more.
    window.AppendText("\r\nOpening VFD ...");
    const int vfdsToOpen = vfdCount > 1 ? 2 : 1;
    for (int number = 0; number < vfdsToOpen; ++number) {
        nifDesc_t vfd = 0;
        status = RunServingEvents([&state, number, &vfd] {
            return nifOpenVfd(state.physical, makeIndex(static_cast<uint32_t>(number)), &vfd);
        });
        SetLastStatus(status);
        if (status != E_OK) {
            fail(status);
            ShowError(platform::Format("Error: Failed to open VFD number %d for device %s !", number, tagText));
            window.AppendText("Failed.");
            return 1;
        }
        state.vfds.push_back(vfd);
    }
    window.AppendText("Successful.");
    if (cancelled()) return 1;

    // Block list.
    window.AppendText("\r\nGetting Block List ...");
    nifBlockInfo blockList[kMaxBlocks] = {};
    uint16_t blockCount = kMaxBlocks;
    status = RunServingEvents([&state, &blockList, &blockCount] {
        return nifGetBlockList(state.vfds.front(), NIF_FUNCTION_BLOCK | NIF_TRANSDUCER_BLOCK | NIF_RESOURCE_BLOCK,
                               blockList, &blockCount);
    });
    SetLastStatus(status);
    if (status != E_OK || blockCount > kMaxBlocks) {
        if (status == E_OK) status = E_TOO_MANY_ENTRIES_SPECIFIED;
        fail(status);
        ShowError(platform::Format("Error: Failed to get block list for VFD %d of device %s !", 0, tagText));
        window.AppendText("Failed.");
        return 1;
    }
    window.AppendText("Successful.");
    if (cancelled()) return 1;

    // Blocks, recognised by type and profile as they are opened.
    state.ids = NoBlockIds();
    for (int number = 0; number < blockCount; ++number) {
        BlockRecord record = ToBlockRecord(blockList[number]);
        std::string progress;
        IdentifyBlock(number, record, state.ids, progress);
        window.AppendText(progress);
        nifDesc_t block = 0;
        status = RunServingEvents([&state, number, &block] {
            return nifOpenBlock(state.vfds.front(), makeIndex(static_cast<uint32_t>(number)), &block);
        });
        SetLastStatus(status);
        if (status != E_OK) {
            fail(status);
            ShowError(
                platform::Format("Error: Failed to open block %d for VFD %d for device %s !", number, 0, tagText));
            window.AppendText("Failed.");
            return 1;
        }
        state.blocks.push_back(block);
        state.records.push_back(record);
        window.AppendText("Successful.");
        if (cancelled()) return 1;
    }

    // Management information base: without it the device still counts as opened.
    window.AppendText("\r\nOpening MIB ...");
    status = RunServingEvents([&state] { return nifOpenVfd(state.physical, "MIB", &state.mib); });
    SetLastStatus(status);
    if (status != E_OK) {
        state.mib = 0;
        fail(status);
        ShowError(platform::Format("Error: Failed to open MIB VFD for device %s !", tagText));
        window.AppendText("Failed.");
    } else {
        window.AppendText("Successful.");
    }
    if (cancelled()) return 1;
    return 0;
}

int FieldbusDevice::OpenDevice() {
    if (open_) return 0;
    platform::Ui& ui = platform::GetUi();
    std::unique_ptr<platform::ProgressWindow> window =
        ui.CreateProgressWindow("Open communication descriptors to the device : " + Tag(), "Cancel");
    if (!window) {
        ShowError("Error: Failed to create message display dialog.");
        return 1;
    }
    ui.PumpMessages();

    OpenState state;
    const int result = RunOpenSteps(state, *window);
    if (result != 0) CloseOpenState(state);

    if (state.cancelled)
        window->AppendText("\r\n\r\nOpening communication descriptors to the device cancelled.\r\n");
    else if (result == 0)
        window->AppendText("\r\n\r\nOpening communication descriptors to the device successful.\r\n");
    else
        window->AppendText("\r\n\r\nOpening communication descriptors to the device failed.\r\n");

    // The window stays a moment so the user can read the outcome, or until the user closes it.
    platform::Clock& clock = platform::GetClock();
    const uint64_t start = clock.NowMs();
    const uint32_t stay = !window->IsWatched() ? 0 : result == 0 ? kStayAfterSuccessMs : kStayAfterFailureMs;
    while (clock.NowMs() - start < stay && !UserClosed(*window)) clock.SleepMs(platform::kServeEventsEveryMs);
    window->Close();

    if (result != 0) return 1;
    {
        std::lock_guard<std::recursive_mutex> lock(accessLock_);
        physical_ = state.physical;
        vfds_ = state.vfds;
        mib_ = state.mib;
        blocks_ = state.blocks;
        blockRecords_ = state.records;
        for (int i = 0; i < kBlockKindCount; ++i) blockIds_[static_cast<size_t>(i)] = state.ids[static_cast<size_t>(i)];
        vendor_ = TrimRight(FieldText(state.firstVfd.vendorName, sizeof state.firstVfd.vendorName));
        model_ = TrimRight(FieldText(state.firstVfd.modelName, sizeof state.firstVfd.modelName));
        revision_ = TrimRight(FieldText(state.firstVfd.revision, sizeof state.firstVfd.revision));
        ++openGeneration_;
        open_ = true;
    }
    platform::RunServingEvents([this] { ReadLinkMasterFlags(); });
    return 0;
}

// Closing never hangs and never waits for a device that does not answer: every worker is
// asked to end, then the descriptors are closed (with a limit of their own: a server that
// stopped answering is left behind), which releases the reads the workers may be waiting in;
// then the workers are waited for, all together under one stop limit (not at all when the
// server did not answer the close).
void FieldbusDevice::CloseDevice() {
    if (!open_) return;
    threads_->SignalStopAll();
    std::vector<nifDesc_t> descriptors;
    {
        std::lock_guard<std::recursive_mutex> lock(accessLock_);
        descriptors = blocks_;
        descriptors.insert(descriptors.end(), vfds_.begin(), vfds_.end());
        descriptors.push_back(mib_);
        descriptors.push_back(physical_);
        blocks_.clear();
        blockRecords_.clear();
        for (auto& id : blockIds_) id.store(-1);
        vfds_.clear();
        mib_ = 0;
        physical_ = 0;
        open_ = false;
        ++openGeneration_;
    }
    if (CloseDescriptors(std::move(descriptors))) {
        StopDeviceThreads();
    } else {
        // The server does not answer: workers still inside a call wait for it, not for the
        // device, and are left behind at once.
        threads_->StopAll(0);
        tbLayoutStale_ = true;
    }
}

}  // namespace fieldbus
