#pragma once
// The trend window without its drawing: the six channels with their samples, the recording
// started and stopped on the device's process poll, the time axis with scroll-back, the
// value range, the dialogs' settings, changing the positioner output, and trend files.
// Messages and questions go through the Ui port and file dialogs through a chooser, so all
// of it runs in tests without a display. Everything runs on the user-interface thread.
#include <array>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "config/ConfigFileDialogs.h"
#include "fieldbus/DeviceAccess.h"
#include "platform/WindowMessages.h"
#include "trend/TrendChannels.h"
#include "trend/TrendFile.h"
#include "trend/TrendSampleArray.h"
#include "trend/TrendTimeAxis.h"

namespace trend {

// Posted to the window that opened a trend window when it goes (wParam: device slot).
inline constexpr unsigned WM_TREND_CLOSED = 0x40D;
// Asks the window that opened a trend window to open the device query (wParam: device slot).
inline constexpr unsigned WM_QUERY_DEVICE = 0x415;

// The device a trend window records from.
struct TrendDevice {
    int slot = -1;
    fieldbus::DeviceAccess* device = nullptr;
    std::string tag;
    // Whether the live list still holds the slot's device (none: always).
    std::function<bool(int slot)> isPresent;
};

// The pressure full scale and unit name that the main view keeps for the open device.
struct PressureInfo {
    float fullScale = 0.0f;
    std::string unit;
};

struct ScopeSettings {
    float valueMax = 100.0f;
    float valueMin = 0.0f;
    int spanSeconds = 180;  // 180, 90 or 45
    int hours = 1;          // history: 0-11 hours, 0-59 minutes, 0-59 seconds
    int minutes = 0;
    int seconds = 0;
};
inline constexpr int kSpanChoices[] = {180, 90, 45};

// What the positioner output dialog shows and whether an entry is accepted.
struct PositionSetPointEntry {
    float shown = 0.0f;
    bool allowed = false;
    std::string reason;  // why an entry is not accepted ("" when it is)
};

class TrendRecorder {
public:
    static constexpr int kFirstInterval = 850;
    static constexpr int kMinInterval = 100;
    static constexpr int kMaxInterval = 10000;
    static constexpr int kMaxHistorySeconds = 11 * 3600 + 59 * 60 + 59;
    static constexpr float kClockShift = 2415919.0f;

    TrendRecorder(TrendDevice device, std::string profileFile);

    // ---- Device --------------------------------------------------------------------------
    // Slot 1 to 31, a device object, and the live list still holds it.
    bool HasValidDevice() const;
    bool IsDeviceOpen() const;
    int Slot() const { return device_.slot; }
    // "Trend (tag)", or "Trend (No Device Attached)" without a valid and open device (as
    // decided when the window was made).
    const std::string& Title() const { return title_; }
    void SetPressure(PressureInfo pressure) { pressure_ = std::move(pressure); }
    // Where the device's process poll posts its messages.
    void SetNotifyWindow(platform::WindowHandle window) { notify_ = window; }

    // ---- Recording -----------------------------------------------------------------------
    // "&Start": 0 recording, 1 refused (no device, not open, poll already running).
    int Start();
    // "&Stop": stops the device's process poll.
    void Stop();
    bool IsRunning() const { return running_; }
    // Notices a process poll that ended without a Stop (its device was closed): true when
    // the window turned to Stopped.
    bool NoticePollEnd();
    // "&Start" or "&Stop".
    const char* StartStopText() const { return running_ ? "&Stop" : "&Start"; }
    bool StartStopEnabled() const { return running_ || HasValidDevice(); }
    // A WM_PROCESS_POLLED from `slot`: fetches the record and adds a sample to each enabled
    // channel. True when samples were added (the chart needs a redraw).
    bool OnProcessPolled(int slot);
    // Adds one sample set taken at `now` (seconds on the recording clock) and trims.
    // False when memory ran out (recording stopped).
    bool AddSamples(const fieldbus::ProcessRecord& record, float now);

    // ---- Channels and chart ----------------------------------------------------------------
    const TrendSampleArray& Channel(int channel) const { return channels_[static_cast<size_t>(channel)]; }
    bool HasSamples() const;
    const ChannelFlags& Enabled() const { return enabled_; }
    const ChannelScale& Scale(int channel) const { return scales_[static_cast<size_t>(channel)]; }
    float LastSampleTime() const { return lastSampleTime_; }
    const std::string& StatusText() const { return statusText_; }
    int SpanSeconds() const { return span_; }
    int HistorySeconds() const { return history_; }
    // The largest scroll position (history - span) and the current one; the right edge of
    // the chart is ScrollLimit() - ScrollPosition() seconds old.
    int ScrollLimit() const { return history_ - span_; }
    int ScrollPosition() const { return position_; }
    void SetScrollPosition(int position);
    int AgeSeconds() const { return ScrollLimit() - position_; }
    // The recording time drawn at the chart's right edge (x = 0).
    double RightEdgeTime() const;
    // The samples of a channel within the visible span, with x made relative to the right
    // edge (-span to 0), plus the neighbour on each side so lines run to the edges.
    void VisibleSamples(int channel, std::vector<TrendSample>& out) const;
    ValueRange Range() const { return range_; }
    void SetValueRange(float max, float min);
    // A rubber band between two values: applied when they differ by more than 0.0001.
    bool ApplyBand(float a, float b);
    // Right click or double click: 0 to 100.
    void ResetValueRange() { range_ = {}; }

    // ---- Dialogs ------------------------------------------------------------------------
    ScopeSettings Scope() const;
    // Returns true when the time axis changed (the scroll bar is rebuilt, the view goes to
    // the end).
    bool ApplyScope(const ScopeSettings& settings);
    // Stores changed flags in the profile file. True when any changed.
    bool ApplySelection(const ChannelFlags& flags);
    // Leaves out of this recording the channels the device does not have (a positioner without
    // a PID block has no process value or set point), without changing the profile's choice.
    void LeaveOut(const ChannelFlags& absent);
    int SampleInterval() const { return interval_; }
    void SetSampleInterval(int ms);
    // Reads AO OUT for the dialog and decides whether an entry is accepted (privilege class
    // 5, device present and open, MANUAL STATE).
    PositionSetPointEntry BeginPositionSetPoint();
    // After OK: writes an accepted, changed value within XD_SCALE +/- 10 % to AO OUT.
    // 0 written or nothing to do, 1 refused or failed.
    int ApplyPositionSetPoint(const PositionSetPointEntry& entry, float value);
    // "&Clear All Data": 0 cleared, 2 the user kept the data.
    int ClearAllData();
    // "&Query Device": asks `parent` to open the device query.
    int QueryDevice(platform::WindowHandle parent);

    // ---- Files --------------------------------------------------------------------------
    void SetChooser(config::FileChooser chooser) { chooser_ = std::move(chooser); }
    // "&Save": asks for the file and the version. 0 saved, 1 failed, 2 cancelled.
    int SaveCommand();
    int SaveFile(const std::string& path, const std::string& version);
    // "&Open": asks for the file. 0 loaded, 1 failed, 2 cancelled or declined.
    int LoadCommand();
    int LoadFile(const std::string& path);
    bool IsUnsaved() const { return unsaved_; }
    const std::string& LastFile() const { return lastFile_; }

    // ---- Closing ------------------------------------------------------------------------
    // 0 the window may go (recording stopped), 2 it stays open.
    int QueryClose();

private:
    void ComputeScales();
    void ClearSamples();
    void Trim();
    std::string MakeStatusText() const;

    TrendDevice device_;
    std::string profileFile_;
    std::string title_;
    PressureInfo pressure_;
    platform::WindowHandle notify_ = 0;
    config::FileChooser chooser_;

    std::array<TrendSampleArray, kTrendChannelCount> channels_;
    ChannelFlags enabled_{};
    std::array<ChannelScale, kTrendChannelCount> scales_{};
    std::array<bool, kTrendChannelCount> breakMark_{};
    std::mutex lock_;  // held while a sample set is taken

    bool running_ = false;
    bool unsaved_ = false;
    int interval_ = kFirstInterval;
    int span_ = 180;
    int history_ = 3600;
    int position_ = 3600 - 180;
    ValueRange range_;
    float lastSampleTime_ = 0.0f;
    std::string statusText_;
    std::string version_ = kVersion21;
    std::string lastFile_;
};

}  // namespace trend
