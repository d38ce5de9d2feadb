// The value codec on device bytes: the first input byte picks the data type, the rest are the
// value's octets as they came from the device; texts go through the unit and infinity
// conversions.
#include <cstdint>
#include <string>
#include <vector>

#include "values/ValueCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    values::ValueCodec& codec = values::ValueCodec::Instance();
    const int dataType = data[0] % 24;
    std::vector<uint8_t> octets(data + 1, data + size);
    uint32_t number = 0;
    codec.FormatValue(octets.data(), 0, dataType, octets.size(), number);
    codec.FormatHexDump(octets.data(), octets.size());
    if (octets.size() >= 7) codec.FormatDate(octets.data());
    const std::string text(octets.begin(), octets.end());
    codec.PickEnglishText(text.data(), text.size());
    codec.UnitToAscii(codec.UnitToDisplay(text));
    codec.IsInfinityText(text);
    codec.CutAfterInfinity(text);
    std::string fileName = text;
    codec.CheckFileNameCharacters(fileName, true);
    return 0;
}
