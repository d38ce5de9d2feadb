#pragma once
// A positioner of the shipped default segment, hosted in-process on a manual clock, opened as
// the program opens it (FieldbusDevice), with the scripted Ui and a fake process clock whose
// sleeps move the segment's clock: a device procedure of a minute runs in milliseconds. Also
// scripts the procedure dialogs (pressing Cancel or the confirm button at chosen moments).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "calibration/ProcedureDialogs.h"
#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/LinkContext.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"
#include "simulator/SegmentBackend.h"

namespace calibration::testing {

// The procedure dialogs for tests: they record what was opened and the progress they were
// sent, and press their buttons when told.
class ScriptedDialogs : public ProcedureDialogs, public platform::MessageTarget {
public:
    ScriptedDialogs();
    ~ScriptedDialogs() override;
    std::unique_ptr<ProcedureDialog> OpenProgressCancel(const std::string& action, bool& cancel) override;
    std::unique_ptr<ProcedureDialog> OpenConfirmCancel(const std::string& action, const std::string& instruction,
                                                       const std::string& firstCaption, const std::string& secondCaption,
                                                       bool& cancel, bool& confirm) override;
    void EnableParent(bool enable) override { parentEnabled.push_back(enable); }
    void OnMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
    platform::WindowHandle Handle() const { return handle_; }

    // Called with each progress value; may set the flags through Press().
    std::function<void(int progress)> onProgress;
    void PressCancel() { if (cancel_) *cancel_ = true; }
    void PressConfirm() { if (confirm_) *confirm_ = true; }
    bool failToOpen = false;

    std::vector<std::string> opened;  // the action texts
    std::vector<int> progress;
    std::vector<int> silentSeconds;  // WM_PROCEDURE_SILENT's
    std::vector<bool> parentEnabled;
    int closed = 0;

private:
    platform::WindowHandle handle_ = 0;
    bool* cancel_ = nullptr;
    bool* confirm_ = nullptr;
};

class SegmentDeviceBed : public ::testing::Test {
protected:
    // Loads the default segment (or `segmentJson`) and opens the positioner `tag`.
    void Open(const std::string& tag, const std::string& segmentJson = {});
    void TearDown() override;
    // Moves the segment's clock (and the process clock) on.
    void Advance(uint64_t ms);
    std::string ValveState(const std::string& member);
    int Control(const std::string& json);
    // Called after every sleep of the program with the process clock's time.
    std::function<void(uint64_t nowMs)> onTime;

    platform::testing::ScriptedUi ui;
    platform::testing::FakeClock clock;
    ScriptedDialogs dialogs;
    std::shared_ptr<simulator::SegmentBackend> backend;
    nifDesc_t session = 0;
    fieldbus::DirectLink link;
    fieldbus::FieldbusDevice device;
    std::string tag;
};

}  // namespace calibration::testing
