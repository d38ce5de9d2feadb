#pragma once
// What a verb works with: its arguments and options, the output streams, and the Fieldbus
// link, connected on first use the way the program starts (server check, link scan, live
// list poll) and closed when the verb ends.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cli/ConsoleUi.h"
#include "cli/JsonValue.h"
#include "cli/Verb.h"
#include "fieldbus/FieldbusLink.h"
#include "platform/WindowMessages.h"

namespace cli {

// The options every verb takes.
struct CommonOptions {
    std::string user;
    bool userGiven = false;
    std::string password;
    bool passwordGiven = false;
    bool json = false;
    bool quiet = false;
    bool yes = false;
    bool verbose = false;
    std::string linkingDevice;  // ADDRESS[:PORT]; empty: as configured
    std::string pcap;           // capture file; empty: as configured
};

class Context {
public:
    Context(const Verb& verb, CommonOptions common, std::vector<std::string> arguments,
            std::map<std::string, std::string> values, std::set<std::string> flags, ConsoleUi& ui);
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    // ---- Command line ------------------------------------------------------------------
    const Verb& GetVerb() const { return verb_; }
    const std::vector<std::string>& Arguments() const { return arguments_; }
    const std::string& Argument(size_t index) const { return arguments_.at(index); }
    // A verb option: given on the command line, or its default.
    bool Flag(const std::string& name) const { return flags_.count(name) != 0; }
    bool Given(const std::string& name) const { return values_.count(name) != 0; }
    std::string Option(const std::string& name) const;
    const CommonOptions& Common() const { return common_; }
    bool Json() const { return common_.json; }
    bool Quiet() const { return common_.quiet; }
    ConsoleUi& Ui() { return ui_; }

    // ---- Output ------------------------------------------------------------------------
    // A line of the verb's answer on standard output (device texts made UTF-8).
    void Print(const std::string& line);
    // The verb's answer as JSON on standard output (one document per call).
    void PrintJson(const JsonValue& value);
    // A progress line on standard error, unless --quiet.
    void Progress(const std::string& line);
    // An error or note on standard error, always.
    void Error(const std::string& text);

    // ---- The link ----------------------------------------------------------------------
    // Checks the server as the program does at start, scans the link and starts the live
    // list poll. 0 when the link is open; 1 after saying why not.
    int ConnectLink();
    fieldbus::FieldbusLink& Link() { return link_; }
    // The slots of the listed devices in list order.
    std::vector<int> ListedSlots();
    // The slot of the device with this PD tag (exact comparison); -1 after saying that no
    // such device is on the link.
    int FindSlot(const std::string& tag);
    // Connects, finds and opens the device with the program's prerequisites (valid address,
    // unique tag); it becomes the current device. The slot, or -1 after saying why not.
    int OpenDeviceByTag(const std::string& tag);
    int OpenDevice(int slot);
    void CloseDevice(int slot);
    // Closes the link and scans it again (after a device restarted or changed its address);
    // 0 when the link is open again.
    int Rescan();
    // The slot of the listed device with this identifier, -1 when none.
    int SlotOfDeviceId(const std::string& deviceId);
    // Scans the link until the device with this identifier is listed and answering again (after
    // it restarted or changed its tag or address); its slot, or -1 after `limitMs` or a signal.
    int WaitForDevice(const std::string& deviceId, uint64_t limitMs);
    // The window handle that receives the link's and the devices' notifications.
    platform::WindowHandle NotifyWindow() const { return notify_; }
    // Notifications other than the link's own (view readers, process poll): wParam is the
    // device slot.
    void SetMessageHandler(std::function<void(unsigned msg, uintptr_t wParam)> handler);
    // Delivers pending notifications and writes the communication log lines to standard error.
    void Pump();
    bool ServerLost() const { return serverLost_; }

    // Stops the devices' threads and closes the link.
    void Shutdown();

private:
    class Notifications;
    void FlushMessageLog();

    const Verb& verb_;
    CommonOptions common_;
    std::vector<std::string> arguments_;
    std::map<std::string, std::string> values_;
    std::set<std::string> flags_;
    ConsoleUi& ui_;
    fieldbus::FieldbusLink& link_;
    std::unique_ptr<Notifications> notifications_;
    platform::WindowHandle notify_ = 0;
    std::function<void(unsigned, uintptr_t)> handler_;
    bool connected_ = false;
    bool serverLost_ = false;
};

// A float for a JSON document: a number with the precision of a float, or the text the
// program shows for an infinity or a value that is not a number.
JsonValue JsonFloat(float value);

}  // namespace cli
