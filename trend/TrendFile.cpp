#include "trend/TrendFile.h"

#include <bit>
#include <cstring>

namespace trend {

namespace {

constexpr size_t kSampleBytes = 12;
constexpr uint32_t kEmptyArray = 0xFFFFFFFFu;
// On a little-endian host a sample in memory has exactly its file layout.
constexpr bool kSamplesAsInFile = std::endian::native == std::endian::little && sizeof(TrendSample) == kSampleBytes;

void PutU(std::string& out, uint64_t value, size_t width) {
    for (size_t i = 0; i < width; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void PutF32(std::string& out, float value) { PutU(out, std::bit_cast<uint32_t>(value), 4); }

void PutText(std::string& out, const std::string& text) {
    const size_t length = text.size();
    if (length < 0xFF) {
        PutU(out, length, 1);
    } else if (length <= 0xFFFD) {
        PutU(out, 0xFF, 1);
        PutU(out, length, 2);
    } else {
        PutU(out, 0xFF, 1);
        PutU(out, 0xFFFF, 2);
        PutU(out, length, 4);
    }
    out.append(text);
}

void PutSamples(std::string& out, std::span<const TrendSample> samples) {
    PutU(out, samples.empty() ? kEmptyArray : static_cast<uint32_t>(samples.size() - 1), 4);
    if constexpr (kSamplesAsInFile) {
        out.append(reinterpret_cast<const char*>(samples.data()), samples.size() * kSampleBytes);
    } else {
        for (const TrendSample& s : samples) {
            PutF32(out, s.x);
            PutF32(out, s.y);
            PutU(out, s.flag, 4);
        }
    }
}

// Reads from a byte buffer; the first shortfall makes every later read fail.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool Ok() const { return ok_; }
    const std::string& Error() const { return error_; }
    size_t Remaining() const { return bytes_.size() - at_; }

    bool U(uint64_t& value, size_t width) {
        if (!ok_) return false;
        if (width > Remaining()) return Fail("unexpected end of file");
        value = 0;
        for (size_t i = 0; i < width; ++i)
            value |= static_cast<uint64_t>(static_cast<unsigned char>(bytes_[at_ + i])) << (8 * i);
        at_ += width;
        return true;
    }
    bool F32(float& value) {
        uint64_t bits = 0;
        if (!U(bits, 4)) return false;
        value = std::bit_cast<float>(static_cast<uint32_t>(bits));
        return true;
    }
    bool Text(std::string& text) {
        uint64_t length = 0;
        if (!U(length, 1)) return false;
        if (length == 0xFF) {
            if (!U(length, 2)) return false;
            if (length == 0xFFFF && !U(length, 4)) return false;
        }
        if (length > Remaining()) return Fail("text longer than the rest of the file");
        text.assign(bytes_.data() + at_, static_cast<size_t>(length));
        at_ += static_cast<size_t>(length);
        return true;
    }
    bool Samples(std::vector<TrendSample>& samples) {
        uint64_t field = 0;
        if (!U(field, 4)) return false;
        const uint64_t count = field == kEmptyArray ? 0 : field + 1;
        if (count > Remaining() / kSampleBytes) return Fail("sample count larger than the rest of the file");
        samples.resize(static_cast<size_t>(count));
        if constexpr (kSamplesAsInFile) {
            if (count > 0) std::memcpy(samples.data(), bytes_.data() + at_, samples.size() * kSampleBytes);
            at_ += samples.size() * kSampleBytes;
        } else {
            for (TrendSample& s : samples) {
                uint64_t flag = 0;
                F32(s.x);
                F32(s.y);
                U(flag, 4);
                s.flag = static_cast<uint32_t>(flag);
            }
        }
        return ok_;
    }

private:
    bool Fail(const char* why) {
        if (ok_) error_ = std::string(why) + " at byte " + std::to_string(at_);
        ok_ = false;
        return false;
    }
    std::string_view bytes_;
    size_t at_ = 0;
    bool ok_ = true;
    std::string error_;
};

}  // namespace

int ChannelCountOf(const std::string& version) {
    if (version == kVersion21T) return 6;
    if (version == kVersion21) return 5;
    if (version == kVersion09d) return 4;
    return 0;
}

std::string StoreTrendFile(const TrendFileHeader& header,
                           const std::array<std::span<const TrendSample>, kTrendChannelCount>& channels) {
    const std::string version = ChannelCountOf(header.version) > 0 ? header.version : kVersion21T;
    const int count = ChannelCountOf(version);
    size_t size = 64 + header.statusText.size();
    for (int i = 0; i < count; ++i) size += 4 + channels[static_cast<size_t>(i)].size() * kSampleBytes;
    std::string out;
    out.reserve(size);
    PutText(out, kTrendIdentifier);
    PutText(out, version);
    PutText(out, header.statusText);
    PutF32(out, header.lastSampleTime);
    PutU(out, header.historySeconds, 4);
    for (int i = 0; i < count; ++i) PutSamples(out, channels[static_cast<size_t>(i)]);
    return out;
}

TrendParseResult ParseTrendFile(std::string_view bytes, TrendFileContents& contents, std::string* error) {
    Reader in(bytes);
    TrendFileContents read;
    std::string identifier;
    auto damaged = [&] {
        if (error) *error = in.Error();
        return TrendParseResult::Damaged;
    };
    if (!in.Text(identifier)) return damaged();
    if (identifier != kTrendIdentifier) return TrendParseResult::NotNative;
    if (!in.Text(read.header.version)) return damaged();
    const int count = ChannelCountOf(read.header.version);
    if (count == 0) return TrendParseResult::IncompatibleVersion;
    uint64_t history = 0;
    if (!in.Text(read.header.statusText) || !in.F32(read.header.lastSampleTime) || !in.U(history, 4))
        return damaged();
    read.header.historySeconds = static_cast<uint32_t>(history);
    for (int i = 0; i < count; ++i)
        if (!in.Samples(read.channels[static_cast<size_t>(i)])) return damaged();
    contents = std::move(read);
    return TrendParseResult::Ok;
}

}  // namespace trend
