// Configuration files (.dmp): loading any bytes must refuse or accept without harm, and an
// accepted file must store again.
#include <cstdint>
#include <string>

#include "config/CConfigData.h"
#include "config/ConfigFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    config::CConfigData record;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (config::LoadConfiguration(record, bytes, "fuzz.dmp") == 0) {
        std::string stored;
        config::StoreConfiguration(record, stored);
    }
    return 0;
}
