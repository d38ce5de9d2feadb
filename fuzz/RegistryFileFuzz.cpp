// The registry file: any text is refused or read; what was read writes back to a file that
// reads to the same content.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/RegistryFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::RegistryTree tree;
    std::string error;
    if (!tree.Parse(std::string(reinterpret_cast<const char*>(data), size), error)) return 0;
    const std::string written = tree.Serialize();
    platform::RegistryTree again;
    if (!again.Parse(written, error) || again.Serialize() != written) std::abort();
    return 0;
}
