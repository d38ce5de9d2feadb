#include "trend/TrendRecorder.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <new>

#include "fieldbus/FieldbusMessages.h"
#include "fieldbus/OperationState.h"
#include "logon/HasPrivilege.h"
#include "platform/AtomicFile.h"
#include "platform/Ui.h"

namespace trend {

namespace {

constexpr const char* kNotOpenStart =
    "The Device is not open. Please close this Trend window, \nre-select or re-open the device then running the trend.";
constexpr const char* kNotOpenQuery =
    "The Device is not open. Please close this Trend window, \nre-select or re-open the device before query the device.";
constexpr const char* kSaveFilter =
    " Trend Data Files 2.1T (*.tre) |*.tre| Trend Data Files 2.1 (*.tre) |*.tre| Trend Data Files 1.06 (*.tre) "
    "|*.tre|ALL Files|*.*||";
constexpr const char* kOpenFilter = " Trend Data Files (*.tre) |*.tre|ALL Files|*.*||";
constexpr const char* kPlaybackError = "Error: Unable to open and playback the saved trend data.";

// The order in which a sample set is appended.
constexpr int kAppendOrder[kTrendChannelCount] = {kProcessSp, kProcessPv, kTargetPosition, kActualPosition,
                                                  kOutPressure, kServoOutput};

int Ask(const std::string& text) {
    return platform::GetUi().MessageBox(text, platform::AppCaption(),
                                        platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2);
}

bool HasTreExtension(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == "tre";
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

TrendRecorder::TrendRecorder(TrendDevice device, std::string profileFile)
    : device_(std::move(device)), profileFile_(std::move(profileFile)) {
    enabled_ = ReadChannelFlags(profileFile_);
    const bool attached = HasValidDevice() && IsDeviceOpen();
    title_ = std::string("Trend") + (attached ? " (" + device_.tag + ")" : std::string(" (No Device Attached)"));
    ComputeScales();
}

bool TrendRecorder::HasValidDevice() const {
    if (device_.slot < 1 || device_.slot > 31 || !device_.device) return false;
    return !device_.isPresent || device_.isPresent(device_.slot);
}

bool TrendRecorder::IsDeviceOpen() const { return device_.device && device_.device->IsOpen(); }

void TrendRecorder::ComputeScales() {
    fieldbus::DeviceAccess* device = device_.device;
    const bool readable = HasValidDevice() && IsDeviceOpen();
    if (enabled_[kProcessPv] || enabled_[kProcessSp]) {
        float eu100 = 0.0f, eu0 = 0.0f;
        ChannelScale scale;
        if (readable && device->ReadPidPvScaleEu100(eu100) == 0 && device->ReadPidPvScaleEu0(eu0) == 0)
            scale = PercentOfRange(eu100, eu0);
        scales_[kProcessPv] = scales_[kProcessSp] = scale;
    }
    if (enabled_[kOutPressure]) scales_[kOutPressure] = PercentOfFullScale(pressure_.fullScale);
}

// ---- Recording -------------------------------------------------------------------------------

int TrendRecorder::Start() {
    if (running_) return 0;
    if (!HasValidDevice()) return 1;
    if (!IsDeviceOpen()) {
        platform::ShowMessage(kNotOpenStart);
        return 1;
    }
    fieldbus::DeviceAccess& device = *device_.device;
    unsaved_ = true;
    uint8_t installed = 0;
    if (device.ReadTbPressSensInstalled(installed) != 0 || (installed & 0x02) == 0) enabled_[kOutPressure] = false;
    device.SetProcessChannels(PollChannels(enabled_));
    device.SetProcessPollPeriod(static_cast<uint32_t>(interval_));
    ComputeScales();
    if (device.StartProcessPollIfIdle(notify_) == 0) {
        platform::ShowMessage("The Trend thread is already running");
        return 1;
    }
    breakMark_.fill(true);
    running_ = true;
    return 0;
}

void TrendRecorder::Stop() {
    if (!running_) return;
    platform::WaitCursor wait;
    if (device_.device) device_.device->StopProcessPoll();
    running_ = false;
}

bool TrendRecorder::NoticePollEnd() {
    if (!running_ || !device_.device || !device_.device->IsProcessPollEnded()) return false;
    running_ = false;
    return true;
}

bool TrendRecorder::OnProcessPolled(int slot) {
    if (!running_ || slot != device_.slot || !HasValidDevice()) return false;
    fieldbus::ProcessRecord record{};
    if (device_.device->GetProcessPoll(record) != 0) return false;
    return AddSamples(record, RecordingSeconds());
}

std::string TrendRecorder::MakeStatusText() const {
    char clock[16] = "";
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local)) std::strftime(clock, sizeof clock, "%H:%M:%S", &local);
    std::string text = std::string("Last Update @ ") + clock;
    return text;
}

bool TrendRecorder::AddSamples(const fieldbus::ProcessRecord& record, float now) {
    {
        std::lock_guard<std::mutex> lock(lock_);
        // The recording clock went backwards (samples loaded from a file): move the old
        // samples far into the past.
        if (lastSampleTime_ - 1.0f > now)
            for (TrendSampleArray& channel : channels_) channel.ShiftTimes(-kClockShift);
        std::string pressureText;
        if (enabled_[kOutPressure])
            pressureText = platform::Format(" (P: %.1f %s)", static_cast<double>(record.outPressure), pressure_.unit.c_str());
        lastSampleTime_ = now;
        statusText_ = MakeStatusText() + pressureText;
        bool allocated = true;
        for (int channel : kAppendOrder) {
            const size_t i = static_cast<size_t>(channel);
            if (!enabled_[i]) continue;
            try {
                channels_[i].push_back({now, scales_[i].Apply(RawValue(record, channel)), breakMark_[i] ? 1u : 0u});
            } catch (const std::bad_alloc&) {
                allocated = false;
                break;
            }
            breakMark_[i] = false;
        }
        if (allocated) {
            Trim();
            return true;
        }
    }
    platform::ShowMessage("Error: Failed to allocate memory for the object.");
    Stop();
    return false;
}

void TrendRecorder::Trim() {
    const float oldest = lastSampleTime_ - static_cast<float>(ScrollLimit() + span_);
    for (TrendSampleArray& channel : channels_) channel.DropBefore(oldest);
}

// ---- Chart -------------------------------------------------------------------------------------

bool TrendRecorder::HasSamples() const {
    return std::any_of(channels_.begin(), channels_.end(), [](const TrendSampleArray& c) { return !c.empty(); });
}

void TrendRecorder::SetScrollPosition(int position) { position_ = std::clamp(position, 0, ScrollLimit()); }

double TrendRecorder::RightEdgeTime() const {
    return static_cast<double>(lastSampleTime_) - static_cast<double>(ScrollLimit() - position_);
}

void TrendRecorder::VisibleSamples(int channel, std::vector<TrendSample>& out) const {
    out.clear();
    const std::span<const TrendSample> samples = Channel(channel).Samples();
    const double right = RightEdgeTime();
    const double left = right - span_;
    auto byTime = [](const TrendSample& s, double t) { return s.x < t; };
    auto first = std::lower_bound(samples.begin(), samples.end(), left, byTime);
    auto last = std::upper_bound(samples.begin(), samples.end(), right,
                                 [](double t, const TrendSample& s) { return t < s.x; });
    if (first != samples.begin()) --first;
    if (last != samples.end()) ++last;
    if (first >= last) return;
    out.reserve(static_cast<size_t>(last - first));
    for (auto it = first; it != last; ++it)
        out.push_back({static_cast<float>(it->x - right), it->y, it->flag});
}

void TrendRecorder::SetValueRange(float max, float min) { range_ = MakeValueRange(max, min); }

bool TrendRecorder::ApplyBand(float a, float b) {
    if (std::abs(a - b) <= 0.0001f) return false;
    SetValueRange(std::max(a, b), std::min(a, b));
    return true;
}

// ---- Dialogs -----------------------------------------------------------------------------------

ScopeSettings TrendRecorder::Scope() const {
    ScopeSettings s;
    s.valueMax = range_.max;
    s.valueMin = range_.min;
    s.spanSeconds = span_;
    s.hours = history_ / 3600;
    s.minutes = (history_ / 60) % 60;
    s.seconds = history_ % 60;
    return s;
}

bool TrendRecorder::ApplyScope(const ScopeSettings& s) {
    float max = std::clamp(s.valueMax, -100.0f, 200.0f);
    float min = std::clamp(s.valueMin, -100.0f, 200.0f);
    if (max < min) std::swap(max, min);
    SetValueRange(max, min);
    const int span = std::find(std::begin(kSpanChoices), std::end(kSpanChoices), s.spanSeconds) != std::end(kSpanChoices)
                         ? s.spanSeconds
                         : span_;
    int history = std::clamp(s.hours, 0, 11) * 3600 + std::clamp(s.minutes, 0, 59) * 60 + std::clamp(s.seconds, 0, 59);
    history = std::max(history, span);
    if (span == span_ && history == history_) return false;
    span_ = span;
    history_ = history;
    position_ = ScrollLimit();
    return true;
}

bool TrendRecorder::ApplySelection(const ChannelFlags& flags) {
    if (flags == enabled_) return false;
    enabled_ = flags;
    WriteChannelFlags(enabled_, profileFile_);
    return true;
}

void TrendRecorder::LeaveOut(const ChannelFlags& absent) {
    if (running_) return;
    for (size_t i = 0; i < enabled_.size(); ++i)
        if (absent[i]) enabled_[i] = false;
}

void TrendRecorder::SetSampleInterval(int ms) { interval_ = std::clamp(ms, kMinInterval, kMaxInterval); }

PositionSetPointEntry TrendRecorder::BeginPositionSetPoint() {
    PositionSetPointEntry entry;
    if (!HasValidDevice() || !IsDeviceOpen()) {
        entry.reason = "The device is not open.";
        return entry;
    }
    fieldbus::DeviceAccess& device = *device_.device;
    fieldbus::StatusValue out;
    if (device.ReadAoOut(out) == 0) entry.shown = out.value;
    int state = -1;
    if (!logon::HasPrivilege(5, false))
        entry.reason = "Attempted operation is unauthorized .";
    else if (device.ReadOperationState(state) != 0 || state != fieldbus::kManualState)
        entry.reason = "The positioner output can be changed in MANUAL STATE only.";
    else
        entry.allowed = true;
    return entry;
}

int TrendRecorder::ApplyPositionSetPoint(const PositionSetPointEntry& entry, float value) {
    if (!entry.allowed || value == entry.shown) return 0;
    if (!HasValidDevice() || !IsDeviceOpen()) return 1;
    fieldbus::DeviceAccess& device = *device_.device;
    float eu100 = 0.0f, eu0 = 0.0f;
    if (device.ReadAoXdScaleEu100(eu100) != 0 || device.ReadAoXdScaleEu0(eu0) != 0) return 1;
    const float margin = (eu100 - eu0) * 0.1f;
    if (!(value >= eu0 - margin && value <= eu100 + margin)) {
        platform::ShowMessage(platform::Format("Please enter number between %.1f and %.1f",
                                               static_cast<double>(eu0 - margin), static_cast<double>(eu100 + margin)));
        return 1;
    }
    return device.WriteAoOutValue(value) == 0 ? 0 : 1;
}

void TrendRecorder::ClearSamples() {
    for (TrendSampleArray& channel : channels_) channel.clear();
}

int TrendRecorder::ClearAllData() {
    if (HasSamples() && Ask("WARNING: \n\nAre you sure about clearing all the trend data in memory ?") != platform::IDYES)
        return 2;
    ClearSamples();
    lastSampleTime_ = 0.0f;
    statusText_.clear();
    return 0;
}

int TrendRecorder::QueryDevice(platform::WindowHandle parent) {
    if (!HasValidDevice() || !IsDeviceOpen()) {
        platform::ShowMessage(kNotOpenQuery);
        return 1;
    }
    platform::PostMessage(parent, WM_QUERY_DEVICE, static_cast<uintptr_t>(device_.slot), 0);
    return 0;
}

// ---- Files -------------------------------------------------------------------------------------

int TrendRecorder::SaveCommand() {
    if (!chooser_) return 2;
    config::FileDialogRequest request;
    request.save = true;
    request.title = "Save Trend Data File";
    request.defaultExtension = "tre";
    request.filter = kSaveFilter;
    request.initialFolder = FolderOf(lastFile_);
    const config::FileDialogResult chosen = chooser_(request);
    if (!chosen.accepted || chosen.path.empty()) return 2;
    const char* version = chosen.filterIndex == 2 ? kVersion21 : chosen.filterIndex == 3 ? kVersion09d : kVersion21T;
    return SaveFile(chosen.path, version);
}

int TrendRecorder::SaveFile(const std::string& path, const std::string& version) {
    if (!HasTreExtension(path)) {
        platform::ShowMessage(
            platform::Format("Error: Failed to save trend data file %s with wrong extention.", path.c_str()));
        return 1;
    }
    TrendFileHeader header;
    header.version = version;
    header.statusText = statusText_;
    header.lastSampleTime = lastSampleTime_;
    header.historySeconds = static_cast<uint32_t>(history_);
    std::array<std::span<const TrendSample>, kTrendChannelCount> samples;
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = channels_[i].Samples();
    if (!platform::WriteFileAtomically(path, StoreTrendFile(header, samples))) {
        platform::ShowMessage(platform::Format("Error: Unable to write file %s.", path.c_str()));
        return 1;
    }
    unsaved_ = false;
    lastFile_ = path;
    version_ = ChannelCountOf(version) > 0 ? version : kVersion21T;
    return 0;
}

int TrendRecorder::LoadCommand() {
    if (!chooser_ || running_) return 2;
    config::FileDialogRequest request;
    request.title = "Open Trend Data File";
    request.defaultExtension = "tre";
    request.filter = kOpenFilter;
    request.initialFolder = FolderOf(lastFile_);
    const config::FileDialogResult chosen = chooser_(request);
    if (!chosen.accepted || chosen.path.empty()) return 2;
    return LoadFile(chosen.path);
}

int TrendRecorder::LoadFile(const std::string& path) {
    if (running_) return 1;
    if (!HasTreExtension(path)) {
        platform::ShowMessage(
            platform::Format("Error: Failed to open trend data file %s with wrong extention.", path.c_str()));
        return 1;
    }
    std::string bytes;
    if (!platform::ReadWholeFile(path, bytes)) {
        platform::ShowMessage(platform::Format("Error: Unable to open file %s.", path.c_str()));
        return 1;
    }
    // The whole file is read before anything in memory changes.
    TrendFileContents contents;
    switch (ParseTrendFile(bytes, contents)) {
        case TrendParseResult::Ok: break;
        case TrendParseResult::NotNative:
            platform::ShowMessage("Error: Not a native Tessaro trend data file. Data loading aborted.");
            platform::ShowMessage(kPlaybackError);
            return 1;
        case TrendParseResult::IncompatibleVersion:
            platform::ShowMessage("Error: Incompatible version of trend data file encountered. Data loading aborted.");
            platform::ShowMessage(kPlaybackError);
            return 1;
        case TrendParseResult::Damaged:
            platform::ShowMessage(
                platform::Format("Error: The trend data file %s is damaged or incomplete. Data loading aborted.",
                                 path.c_str()));
            platform::ShowMessage(kPlaybackError);
            return 1;
    }
    if (HasSamples() &&
        Ask("WARNING: \n\nLoading trend data file will delete all current trend data in the memory. \n\n"
            "Are you sure that you want to proceed ?") != platform::IDYES)
        return 2;
    for (size_t i = 0; i < channels_.size(); ++i) channels_[i].Assign(std::move(contents.channels[i]));
    statusText_ = contents.header.statusText;
    lastSampleTime_ = contents.header.lastSampleTime;
    // A history the scope dialog could not have set is brought into its range.
    history_ = std::clamp(static_cast<int>(std::min<uint32_t>(contents.header.historySeconds, kMaxHistorySeconds)),
                          span_, kMaxHistorySeconds);
    position_ = ScrollLimit();
    lastFile_ = path;
    return 0;
}

// ---- Closing -----------------------------------------------------------------------------------

int TrendRecorder::QueryClose() {
    // Yes discards the data; No keeps the window so that the user can stop and save.
    if (HasSamples() && unsaved_ &&
        Ask("WARNING: \n\nDo you want to save trend data ?\n\n(To save the data, select No, make sure stopping the "
            "trend then use Save in File menu)") != platform::IDYES)
        return 2;
    Stop();
    return 0;
}

}  // namespace trend
