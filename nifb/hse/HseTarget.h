#pragma once
// Where the library reaches the segment over HSE, and where it finds device descriptions.
// The linking device: NIFB_SERVER=hse://ADDRESS[:PORT] (FDA messages in UDP datagrams) or
// hse+tcp://ADDRESS[:PORT] (FDA messages streamed over one TCP connection) in the
// environment, else the registry value "Server" (same forms) under the NI-FBUS key, next to
// "Socket". Without
// either, the library uses its server socket. The description folder: NIFB_DD_PATH, else
// the registry value "DD Path".
#include <cstdint>
#include <string>

namespace nifb::hse {

struct Target {
    std::string address;  // IPv4, dotted
    uint16_t port = 0;    // kPortFms unless given
    bool tcp = false;     // hse+tcp://: a stream connection instead of datagrams
    std::string Text() const { return address + ":" + std::to_string(port); }
};

// True with `out` filled when an HSE target is configured and well formed; false with
// `problem` empty when none is configured, or with `problem` saying what is wrong.
bool ConfiguredTarget(Target& out, std::string& problem);
// Parses "hse://ADDRESS[:PORT]" or "hse+tcp://ADDRESS[:PORT]".
bool ParseTarget(const std::string& text, Target& out, std::string& problem);
std::string DescriptionFolder();

}  // namespace nifb::hse
