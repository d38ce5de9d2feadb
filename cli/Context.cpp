#include "cli/Context.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/ServerCheck.h"
#include "cli/ServerPresence.h"
#include "cli/TerminalText.h"
#include "fieldbus/FieldbusMessages.h"
#include "fieldbus/MessageLog.h"
#include "nifb/Backend.h"
#include "nifb/hse/HseTarget.h"
#include "nifb/nifb.h"
#include "platform/Clock.h"
#include "platform/Ui.h"

using platform::Format;

namespace cli {

namespace {
// How long the first live-list poll may take to report the link healthy.
constexpr uint64_t kHealthyLimitMs = 10000;
}  // namespace

class Context::Notifications : public platform::MessageTarget {
public:
    explicit Notifications(Context& owner) : owner_(owner) {}
    void OnMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override {
        switch (msg) {
            case fieldbus::WM_DEVICE_MESSAGE: owner_.FlushMessageLog(); break;
            case fieldbus::WM_SERVER_CONNECTION_LOST:
                owner_.FlushMessageLog();
                if (!owner_.serverLost_)
                    owner_.Error(Format("Error (%d): %s", static_cast<int>(lParam),
                                        nifStatusName(static_cast<nifError_t>(lParam))));
                owner_.serverLost_ = true;
                break;
            case fieldbus::WM_LIVELIST_CHANGED:
            case fieldbus::WM_DEVICE_NOT_OPEN: break;
            default:
                if (owner_.handler_) owner_.handler_(msg, wParam);
                break;
        }
    }

private:
    Context& owner_;
};

Context::Context(const Verb& verb, CommonOptions common, std::vector<std::string> arguments,
                 std::map<std::string, std::string> values, std::set<std::string> flags, ConsoleUi& ui)
    : verb_(verb),
      common_(std::move(common)),
      arguments_(std::move(arguments)),
      values_(std::move(values)),
      flags_(std::move(flags)),
      ui_(ui),
      link_(fieldbus::FieldbusLink::Instance()),
      notifications_(std::make_unique<Notifications>(*this)) {
    notify_ = platform::MessageDispatcher::Instance().Register(notifications_.get());
}

Context::~Context() {
    Shutdown();
    platform::MessageDispatcher::Instance().Unregister(notify_);
}

std::string Context::Option(const std::string& name) const {
    const auto it = values_.find(name);
    if (it != values_.end()) return it->second;
    for (const VerbOption& option : verb_.options)
        if (option.name == name) return option.defaultValue;
    return {};
}

void Context::Print(const std::string& line) {
    const std::string text = ToUtf8(line) + "\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

namespace {
// Device texts are Latin-1: every string of the document becomes UTF-8.
JsonValue Utf8Strings(const JsonValue& value) {
    if (value.is_string()) return ToUtf8(value.get<std::string>());
    if (value.is_array()) {
        JsonValue out = JsonValue::array();
        for (const auto& item : value) out.push_back(Utf8Strings(item));
        return out;
    }
    if (value.is_object()) {
        JsonValue out = JsonValue::object();
        for (auto it = value.begin(); it != value.end(); ++it) out[ToUtf8(it.key())] = Utf8Strings(it.value());
        return out;
    }
    return value;
}
}  // namespace

void Context::PrintJson(const JsonValue& value) {
    Print(Utf8Strings(value).dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
}

void Context::Progress(const std::string& line) {
    if (common_.quiet) return;
    Error(line);
}

void Context::Error(const std::string& text) {
    const std::string out = ToTerminal(text) + "\n";
    std::fputs(out.c_str(), stderr);
    std::fflush(stderr);
}

void Context::FlushMessageLog() {
    for (const std::string& line : fieldbus::MessageLog::Instance().Drain()) Error(line);
}

void Context::Pump() {
    platform::MessageDispatcher::Instance().DeliverPending();
    FlushMessageLog();
}

void Context::SetMessageHandler(std::function<void(unsigned, uintptr_t)> handler) { handler_ = std::move(handler); }

int Context::ConnectLink() {
    if (connected_) return 0;
    // A server that is there but does not answer is said to be so after one call's limit; it is
    // not taken for a missing one (a second server could not take its socket).
    std::string socket;
    nifb::hse::Target linkingDevice;
    std::string hseProblem;
    const bool overHse = nifb::hse::ConfiguredTarget(linkingDevice, hseProblem) || !hseProblem.empty();
    if (!overHse && ServerSocketListening(socket) && !fieldbus::FieldbusLink::IsServerAvailable()) {
        Pump();
        Error(Format("Error: The Fieldbus server at %s is running but does not answer (no answer within %.0f s).\n"
                     "It may be stopped (SIGSTOP, a debugger) or overloaded; no second server is started beside it. "
                     "Let it continue, or end it and run the command again.",
                     socket.c_str(), nifb::CallLimitMs() / 1000.0));
        return 1;
    }
    app::ServerCheckHooks hooks;
    hooks.isServerAvailable = [] { return fieldbus::FieldbusLink::IsServerAvailable(); };
    hooks.launch = app::LaunchDetached;
    // Starting the server takes a while: say what happens.
    const bool echo = ui_.EchoProgress();
    ui_.SetEchoProgress(echo || !common_.quiet);
    const int check = app::ServerCheck("Tessaro", hooks);
    ui_.SetEchoProgress(echo);
    if (check != 0) return 1;

    if (link_.ScanLink() != 0) {
        Pump();
        Error("Error: Unable to open a communication session with the Fieldbus server, or no device answers on "
              "the link.\nStart the server (see the README), or check the segment it serves.");
        return 1;
    }
    link_.StartLivePoll(notify_);
    // Parameter access waits for the live-list poll to report the link healthy.
    platform::Clock& clock = platform::GetClock();
    const uint64_t start = clock.NowMs();
    while (!link_.IsLinkHealthy() && clock.NowMs() - start < kHealthyLimitMs) {
        Pump();
        clock.SleepMs(10);
    }
    connected_ = true;
    if (!link_.IsLinkHealthy()) {
        Pump();
        Error("Error: The Fieldbus link does not answer.");
        return 1;
    }
    return 0;
}

std::vector<int> Context::ListedSlots() {
    std::vector<int> slots;
    for (int item = 1; item < link_.DisplayItemCount(); ++item) slots.push_back(link_.ItemDevIndexMap(item));
    return slots;
}

int Context::FindSlot(const std::string& tag) {
    if (ConnectLink() != 0) return -1;
    std::string known;
    for (int slot : ListedSlots()) {
        if (link_.GetTag(slot) == tag) return slot;
        known += (known.empty() ? "" : ", ") + link_.GetTag(slot);
    }
    Error(Format("Error: No device with the tag \"%s\" is on the link (listed: %s).", tag.c_str(),
                 known.empty() ? "none" : known.c_str()));
    return -1;
}

int Context::OpenDeviceByTag(const std::string& tag) {
    const int slot = FindSlot(tag);
    if (slot < 0) return -1;
    return OpenDevice(slot) == 0 ? slot : -1;
}

// The program's prerequisites for opening a device, with its texts.
int Context::OpenDevice(int slot) {
    if (link_.Device(slot).IsOpen()) return 0;
    if (Interrupted()) {
        Error(Format("Error: Ended by %s before the device was opened.", SignalName(EndingSignal())));
        return 1;
    }
    if (!link_.IsAddressValid(slot, link_.GetNodeAddress(slot))) {
        platform::ShowMessage(
            "NOTE:  The device address is either invalid/uninitialized or non-unique. \n\nRight click the "
            "device to select Tag/Address menu for changing or initialization \nbefore open the device.");
        return 1;
    }
    const std::string tag = link_.GetTag(slot);
    if (tag.empty() || !link_.IsTagUnique(slot, tag)) {
        platform::ShowMessage(
            "NOTE: The device tag is either empty or non-unique. \n\nRight click the device to select "
            "Tag/Address menu for changing or initialization \nbefore open the device.");
        return 1;
    }
    if (link_.OpenDevice(slot) != 0) {
        Pump();
        platform::ShowMessage("Error: Failed to open the device.");
        return 1;
    }
    link_.SetCurrentSlot(slot);
    return 0;
}

void Context::CloseDevice(int slot) {
    if (slot <= 0) return;
    link_.Device(slot).CloseDevice();
    if (link_.CurrentSlot() == slot) link_.SetCurrentSlot(-1);
    Pump();
}

int Context::Rescan() {
    Shutdown();
    return ConnectLink();
}

int Context::SlotOfDeviceId(const std::string& deviceId) {
    for (int slot : ListedSlots())
        if (link_.GetDeviceId(slot) == deviceId) return slot;
    return -1;
}

int Context::WaitForDevice(const std::string& deviceId, uint64_t limitMs) {
    platform::Clock& clock = platform::GetClock();
    const uint64_t start = clock.NowMs();
    for (;;) {
        if (Rescan() == 0) {
            const int slot = SlotOfDeviceId(deviceId);
            if (slot > 0 && link_.IsPresent(slot)) return slot;
        }
        if (clock.NowMs() - start > limitMs || Interrupted()) return -1;
        clock.SleepMs(1000);
    }
}

void Context::Shutdown() {
    if (connected_) {
        link_.SetCurrentSlot(-1);
        link_.CloseLink();
        connected_ = false;
    }
    Pump();
}

JsonValue JsonFloat(float value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "1.#INF" : "-1.#INF";
    return std::strtod(Format("%.7g", static_cast<double>(value)).c_str(), nullptr);
}

}  // namespace cli
