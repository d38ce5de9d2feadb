#pragma once
// The signature page without its window: checks the preconditions before a run (a device,
// its position, the signature option, no failsafe, out of service after asking, the valve
// will move), hands the selection and settings to the device's signature procedure and starts
// its worker, follows the worker's notifications in the progress window, loads each finished
// measurement into a record through a queue of loads (one loader at a time) and hands it to
// the signature graph, and finally puts the valve back where it was before the run.
//
// Everything runs on the user-interface thread. Questions and messages go through the Ui port;
// bus work goes through a runner (a window runs it off its own thread); the window behind the
// page is the SignaturePageView.
#include <array>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "config/BusRunner.h"
#include "diagnostics/CSignatureData.h"
#include "diagnostics/SignatureLoader.h"
#include "diagnostics/SignatureProcedure.h"
#include "platform/WindowMessages.h"

namespace diagnostics {

// What the progress window shows after a notification.
struct SignatureProgressUpdate {
    std::string title;
    std::string status;
    std::string position, pressure, aoOutput;  // "%.2f %s"
    std::string updated;                       // "Last update time @ ..."
    std::string settings;                      // the kind's settings, one per line
    float percent = 0.0f;
    // The values for the three strip curves "Actual Position", "Air Pressure", "AO Output".
    float positionValue = 0.0f, pressureValue = 0.0f, aoValue = 0.0f;
};

// The window side of the page.
class SignaturePageView {
public:
    virtual ~SignaturePageView() = default;
    // The modeless progress window (false when it could not be made); `severalKinds` chooses
    // its cancel question. Shown when the device has started.
    virtual bool OpenProgress(bool severalKinds) = 0;
    virtual void ShowProgress() = 0;
    virtual void UpdateProgress(const SignatureProgressUpdate& update) = 0;
    virtual void CloseProgress() = 0;
    // The page is disabled while the progress window is up.
    virtual void EnablePage(bool enable) = 0;
    // "&GO", and "Signature Notes" with "Change Measurement Setting".
    virtual void EnableControls(bool go, bool others) = 0;
    // Closes the signature graph window, offering to save unsaved curves first: 0 closed (or
    // there was none), 2 the user kept it.
    virtual int CloseGraph() = 0;
    // Hands a loaded record to the signature graph window (made when there is none): 0 added,
    // 1 refused by the graph, -1 no graph window could be had.
    virtual int AddToGraph(const CSignatureData& record) = 0;
    virtual void RedrawGraph() = 0;
    // "Loading Data Now, Please Wait ..." while loads remain after the run.
    virtual void ShowLoadingNotice(bool show) = 0;
    // Calls SignaturePage::OnLoadTimer once, `ms` from now.
    virtual void StartLoadTimer(uint32_t ms) = 0;
};

// The wait between two queued loads.
inline constexpr uint32_t kNextLoadMs = 2000;

class SignaturePage : public platform::MessageTarget {
public:
    explicit SignaturePage(SignaturePageView& view, config::BusRunner runner = {});
    ~SignaturePage() override;
    SignaturePage(const SignaturePage&) = delete;
    SignaturePage& operator=(const SignaturePage&) = delete;

    // The device's signature procedure (null: no device) and its PD tag.
    void SetDevice(std::shared_ptr<SignatureProcedure> procedure, std::string tag);
    SignatureProcedure* Procedure() const { return procedure_.get(); }
    platform::WindowHandle Handle() const { return handle_; }

    // ---- What the page's controls hold ----
    void SetSelection(uint8_t mask) { mask_ = mask; }
    uint8_t Selection() const { return mask_; }
    SignatureSettings& Settings() { return settings_; }
    void SetResetOff(bool on) { resetOff_ = on; }
    bool ResetOff() const { return resetOff_; }
    // "PC Controlled": the program strokes the valve itself (standard and extended only).
    void SetPcControlled(bool on) { pcControlled_ = on; }
    bool PcControlled() const { return pcControlled_; }
    void SetNotes(std::string notes) { notes_ = std::move(notes); }
    // Reads the device's four settings parameters, each whole in one request, into
    // their groups (the program's own floats keep their values): 0, 1 when a read failed (the
    // settings are left as they were).
    int ReadSettingsFromDevice();

    // ---- The run ----
    // The GO button. 0 started, 1 refused or failed (with its message), 2 declined by the user.
    int Go();
    bool IsRunning() const { return running_; }
    // Before the page closes or is left: asks "The Signature procedure is running! Stop it?"
    // while the worker runs, then offers to save the graph. True when the page may go.
    bool CanLeave();
    // Ends a run without asking (the window closes regardless).
    void Abandon();

    void OnMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
    // The load timer fired: the next queued load starts.
    void OnLoadTimer();

    // ---- State for the window and tests ----
    size_t QueuedLoads() const { return queue_.size(); }
    const std::deque<SignatureLoadRequest>& Queue() const { return queue_; }
    // The device error text last set ("" when none).
    const std::string& DeviceErrorText() const { return deviceError_; }
    // The last run ended with an error or a kind ended with a device error (a cancel is none).
    bool RunFailed() const { return runFailed_; }
    bool DeferredFinish() const { return deferredFinish_; }
    float PretestPosition() const { return pretest_; }
    const CSignatureData* Record(int kind) const;

private:
    void Dispatch(unsigned msg, uintptr_t wParam, intptr_t lParam);
    int RunBus(const config::BusWork& work);
    fieldbus::DeviceAccess* Device() const;
    void SetDeviceError(const std::string& text);

    // Loads.
    void QueueLoad(const SignatureLoadRequest& request);
    void QueueResults(uintptr_t kind);
    void QueueKindsBefore(int runningKind);
    void StartHeadLoad();
    // Nothing more to load: the worker may measure on, a deferred finish happens.
    void QueueDrained();
    void OnDataLoaded(uintptr_t recordTag);
    CSignatureData& RecordOf(int kind);

    // Notifications.
    void OnProgress(uintptr_t kind, intptr_t lParam);
    void OnDeviceError(uintptr_t kind, bool ended);
    void OnError(uintptr_t kind);
    void OnFinished();
    void CancelCurrent();
    void EndOfRun();
    void RestorePosition();
    void Finish();

    SignaturePageView& view_;
    config::BusRunner runner_;
    platform::WindowHandle handle_ = 0;
    std::shared_ptr<SignatureProcedure> procedure_;
    std::string tag_;

    uint8_t mask_ = 0;
    SignatureSettings settings_;
    bool resetOff_ = false;
    bool pcControlled_ = false;
    bool seriesStarted_ = false;  // the step-response record collects the steps of a series
    std::string notes_;
    std::string pressureUnit_ = "kPa", positionUnit_ = "%";

    float pretest_ = std::numeric_limits<float>::infinity();
    bool running_ = false;
    bool deferredFinish_ = false;
    bool progressOpen_ = false;
    bool noticeShown_ = false;
    int runningKind_ = -1;       // of a run of all kinds, from the phase byte
    int windowKind_ = -1;        // the kind the progress window shows
    std::array<std::unique_ptr<CSignatureData>, 5> records_;
    uint16_t hiresQueued_ = 0;
    std::deque<SignatureLoadRequest> queue_;
    bool loadRunning_ = false;
    std::string deviceError_;
    bool runFailed_ = false;
    bool keptOnCancel_ = false;  // the kinds measured before a cancel of a run of all are queued

    // Notifications that arrive while one is handled (its message boxes pump messages) wait
    // here and are posted again when it is done.
    bool handling_ = false;
    struct Held {
        unsigned msg;
        uintptr_t wParam;
        intptr_t lParam;
    };
    std::vector<Held> held_;
};

}  // namespace diagnostics
