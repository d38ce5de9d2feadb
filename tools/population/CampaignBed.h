#pragma once
// One positioner of a population segment, hosted in-process on a manual clock and opened as
// the program opens it. The program's waits move the segment's clock, so a device procedure
// of minutes runs in a moment. The bed runs what a technician runs: the device procedures,
// travel calibration, signatures from the signature page, and steps of the valve watched
// through the server's own window on it (a bus read would move the clock).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "diagnostics/CSignatureData.h"
#include "diagnostics/SignaturePage.h"
#include "diagnostics/SignatureProcedure.h"
#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/LinkContext.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"
#include "simulator/Json.h"
#include "simulator/SegmentBackend.h"
#include "simulator/valve/StepFigures.h"

namespace population {

// The signature page's window as the campaign sees it: the records handed to the graph.
class CampaignView : public diagnostics::SignaturePageView {
public:
    bool OpenProgress(bool) override { return true; }
    void ShowProgress() override {}
    void UpdateProgress(const diagnostics::SignatureProgressUpdate&) override {}
    void CloseProgress() override {}
    void EnablePage(bool) override {}
    void EnableControls(bool, bool) override {}
    int CloseGraph() override { return 0; }
    int AddToGraph(const diagnostics::CSignatureData& record) override;
    void RedrawGraph() override {}
    void ShowLoadingNotice(bool) override {}
    void StartLoadTimer(uint32_t ms) override { timerMs = ms; }

    uint32_t timerMs = 0;
    std::vector<diagnostics::CSignatureData> graph;
};

// A technician who agrees to every question: the campaign asks the valve for everything.
class AgreeingUi : public platform::testing::ScriptedUi {
public:
    int MessageBox(const std::string& text, const std::string& caption, int flags) override;
};

// What a device procedure ended with.
struct ProcedureEnd {
    int status = 1;       // of RunProcedure: 0 ran to a result
    int code = 0;         // AUTO_TUNE_RESULT
    std::string text;     // its label
};

class CampaignBed {
public:
    CampaignBed();
    ~CampaignBed();
    CampaignBed(const CampaignBed&) = delete;
    CampaignBed& operator=(const CampaignBed&) = delete;

    // Loads the segment file and opens the positioner `tag`; false with `error`.
    bool Open(const std::string& segmentFile, const std::string& tag, std::string& error);

    simulator::JsonValue Valve();
    int Control(const std::string& json);
    void Advance(uint64_t ms);

    ProcedureEnd Procedure(uint8_t command);
    int TravelCalibration(uint8_t command, std::string& text);
    float TbFloat(const std::string& name, size_t offset = 0);
    bool HasSignatureOption();
    // The transducer block out of service, the set point at `position`, `seconds` to rest.
    int HoldAt(float position, double seconds);
    // Waits, watching every 10 ms, until the valve rests as the device's step wants it: still
    // for a second with its pressure no longer moving (or, for a valve that keeps slipping,
    // after 10 s the moment it has been still for a second after a slip the way of the step,
    // `stepSign`; halfway to `limitS` still for a second). False after `limitS`.
    bool AwaitRest(double limitS, double stepSign);
    // Positions (from the server's window) every 10 ms for `seconds` after the set point
    // jumps to `to`.
    std::vector<simulator::valve::TimedValue> StepTo(float to, double seconds);

    // Runs the signature page with `mask` (kind bits or kMeasureAll); `adjust` sets up the
    // page's settings. The records uploaded, analysed as the graph window analyses them.
    std::vector<diagnostics::CSignatureData> Signatures(uint8_t mask, bool pcControlled,
                                                        const std::function<void(diagnostics::SignatureSettings&)>& adjust,
                                                        std::string& error);

    fieldbus::FieldbusDevice& Device() { return device_; }

private:
    platform::testing::TempDir dir_;
    AgreeingUi ui_;
    platform::testing::FakeClock clock_;
    std::shared_ptr<simulator::SegmentBackend> backend_;
    nifDesc_t session_ = 0;
    fieldbus::DirectLink link_;
    fieldbus::FieldbusDevice device_;
    std::string tag_;
    bool open_ = false;
};

}  // namespace population
