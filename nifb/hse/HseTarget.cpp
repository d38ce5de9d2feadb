#include "nifb/hse/HseTarget.h"

#include <arpa/inet.h>
#include <cstdlib>

#include "nifb/SocketPath.h"
#include "nifb/dd/DeviceDescription.h"
#include "nifb/hse/FdaMessage.h"
#include "platform/Registry.h"

namespace nifb::hse {
namespace {

std::string Setting(const char* env, const char* registryValue) {
    const char* v = std::getenv(env);
    if (v && *v) return v;
    std::string fromRegistry;
    if (platform::Registry::Instance().GetString(platform::RegRoot::LocalMachine, kNifbRegistryKey, registryValue,
                                                 fromRegistry) == platform::REG_OK)
        return fromRegistry;
    return {};
}

}  // namespace

bool ParseTarget(const std::string& text, Target& out, std::string& problem) {
    const std::string udp = "hse://", tcp = "hse+tcp://";
    Target t;
    t.tcp = text.rfind(tcp, 0) == 0;
    if (!t.tcp && text.rfind(udp, 0) != 0) {
        problem = "'" + text + "' does not start with " + udp + " or " + tcp;
        return false;
    }
    std::string rest = text.substr((t.tcp ? tcp : udp).size());
    t.port = kPortFms;
    const size_t colon = rest.find(':');
    if (colon != std::string::npos) {
        const std::string port = rest.substr(colon + 1);
        char* end = nullptr;
        const long p = std::strtol(port.c_str(), &end, 10);
        if (port.empty() || *end != '\0' || p < 1 || p > 65535) {
            problem = "'" + text + "': the port must be a number from 1 to 65535";
            return false;
        }
        t.port = static_cast<uint16_t>(p);
        rest = rest.substr(0, colon);
    }
    in_addr a{};
    if (::inet_pton(AF_INET, rest.c_str(), &a) != 1) {
        problem = "'" + text + "': '" + rest + "' is not an IPv4 address";
        return false;
    }
    t.address = rest;
    out = t;
    return true;
}

bool ConfiguredTarget(Target& out, std::string& problem) {
    problem.clear();
    const std::string text = Setting("NIFB_SERVER", "Server");
    if (text.empty()) return false;
    return ParseTarget(text, out, problem);
}

std::string DescriptionFolder() { return dd::DefaultDescriptionFolder(); }

}  // namespace nifb::hse
