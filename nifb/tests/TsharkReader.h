#pragma once
// Reads a capture back through tshark, the public decoder of HSE messages, for tests that
// check what we put on the wire against an implementation no one here wrote.
#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace nifb::testing {

inline std::string TsharkPath() {
    for (const char* p : {"/usr/bin/tshark", "/usr/local/bin/tshark"}) {
        if (FILE* f = std::fopen(p, "r")) {
            std::fclose(f);
            return p;
        }
    }
    return {};
}

// Runs tshark with `args` on `pcap` (UDP on the HSE ports decoded as FF); the lines of its
// standard output, and its exit status.
inline std::vector<std::string> Tshark(const std::string& pcap, const std::string& args, int* status = nullptr) {
    const std::string command = TsharkPath() + " -n -r '" + pcap + "' " + args + " 2>/dev/null";
    std::vector<std::string> lines;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return lines;
    std::string line;
    std::array<char, 4096> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), p)) {
        line += buffer.data();
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            lines.push_back(line);
            line.clear();
        }
    }
    if (!line.empty()) lines.push_back(line);
    const int rc = ::pclose(p);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return lines;
}

// Frames that the decoder marks malformed or flags with an error or warning, or where part of
// an FF message is left unexplained, or that carry something other than FF ("" when there
// are none). A TCP segment without data (the handshake, acknowledgements, the close) carries
// nothing to decode.
inline std::string TsharkComplaints(const std::string& pcap) {
    std::string complaints;
    int status = 0;
    for (const std::string& l :
         Tshark(pcap, "-Y '_ws.malformed || _ws.expert.severity >= \"warning\" || ff.unknown_data || "
                      "ff.unknown_service || (!ff && !(tcp.len == 0))' -T fields -e frame.number -e _ws.col.Info",
                &status))
        complaints += l + "\n";
    // A capture the decoder cannot read at all is no pass either.
    if (status != 0) complaints += "tshark could not read " + pcap + " (exit status " + std::to_string(status) + ")\n";
    if (Tshark(pcap, "-T fields -e frame.number").empty()) complaints += "no frames in " + pcap + "\n";
    return complaints;
}

}  // namespace nifb::testing
