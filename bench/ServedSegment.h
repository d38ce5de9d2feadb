#pragma once
// The default segment served by a `nifb` server of its own with the latency model on, the
// link scanned through it and FV-101 open, for all runs of a benchmark; with `hse` the
// server also plays a linking device and the program reaches the segment through it
// (HSE), while the simulator's status commands still go through the socket.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "fieldbus/FieldbusLink.h"
#include "nifb/Backend.h"
#include "simulator/tests/ServerProcess.h"

namespace bench {

struct ServedSegment {
    std::string folder;
    std::unique_ptr<simulator::testing::ServerProcess> server;
    fieldbus::FieldbusLink link;
    int slot = -1;
    nifDesc_t control = 0;
    bool ready = false;

    explicit ServedSegment(bool hse = false) {
        char name[] = "/tmp/tessaro-bench-XXXXXX";
        folder = mkdtemp(name) ? name : "/tmp";
        std::vector<std::string> args{"--latency", "on"};
        if (hse) args.insert(args.end(), {"--hse", "127.0.0.1:0"});
        server = std::make_unique<simulator::testing::ServerProcess>(
            NIFB_SERVER_BINARY, folder + "/nifb.sock", NIFB_DEFAULT_SEGMENT_FILE, folder + "/server.log", args);
        unsetenv("NIFB_SERVER");
        if (nifOpenSession(nullptr, &control) != E_OK) return;
        if (hse && !UseLinkingDevice()) return;
        if (link.ScanLink() != 0) return;
        // One live-list read makes the link healthy; later ones would share the bus.
        link.SetPollPeriodMs(600000);
        link.StartLivePoll(0);
        for (int i = 0; i < 5000 && !link.IsLinkHealthy(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        for (int item = 1; item < link.DisplayItemCount(); ++item)
            if (link.GetTag(link.ItemDevIndexMap(item)) == "FV-101") slot = link.ItemDevIndexMap(item);
        ready = slot >= 0 && link.OpenDevice(slot) == 0;
    }
    ~ServedSegment() {
        if (control != 0) nifClose(control);
        link.CloseLink();
        server.reset();
        unsetenv("NIFB_SERVER");
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    // Points the library at the server's linking device (the port it printed); the
    // descriptions of the default segment's device types are the shipped ones.
    bool UseLinkingDevice() {
        const std::string marker = "serving HSE on udp 127.0.0.1:";
        std::ifstream in(folder + "/server.log");
        std::string line, port;
        while (std::getline(in, line))
            if (const size_t at = line.find(marker); at != std::string::npos) port = line.substr(at + marker.size());
        if (port.empty()) return false;
        setenv("NIFB_SERVER", ("hse://127.0.0.1:" + port).c_str(), 1);
        return true;
    }

    // The bus time (simulated ms) the latency model charged so far, and its transactions.
    void Charged(double& busMs, double& transactions) {
        std::string answer;
        busMs = transactions = 0;
        if (nifb::SendControl(control, R"({"command":"status"})", answer) != 0) return;
        busMs = Number(answer, "\"modelledBusMs\":");
        transactions = Number(answer, "\"modelledTransactions\":");
    }
    static double Number(const std::string& json, const std::string& key) {
        const size_t at = json.find(key);
        return at == std::string::npos ? 0 : std::strtod(json.c_str() + at + key.size(), nullptr);
    }
};

}  // namespace bench
