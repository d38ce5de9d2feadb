#include "diagnostics/SignatureArchive.h"

#include <bit>
#include <cstring>

namespace diagnostics {

namespace {
constexpr size_t kPointBytes = 12;
// On a little-endian host a point in memory has exactly its file layout, so point lists are
// copied in one piece.
constexpr bool kPointsAsInFile =
    std::endian::native == std::endian::little && sizeof(graphs::CFloatPT) == kPointBytes;
}

SignatureArchive::SignatureArchive() : storing_(true) {}

SignatureArchive::SignatureArchive(std::string_view bytes) : storing_(false), source_(bytes) {}

void SignatureArchive::Fail(const std::string& why) {
    if (!ok_) return;
    ok_ = false;
    error_ = why + " at byte " + std::to_string(position_);
}

void SignatureArchive::Put(uint64_t value, size_t width) {
    for (size_t i = 0; i < width; ++i) buffer_.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

bool SignatureArchive::Take(uint64_t& value, size_t width) {
    if (!ok_) return false;
    if (width > Remaining()) {
        Fail("unexpected end of file");
        return false;
    }
    value = 0;
    for (size_t i = 0; i < width; ++i)
        value |= static_cast<uint64_t>(static_cast<unsigned char>(source_[position_ + i])) << (8 * i);
    position_ += width;
    return true;
}

void SignatureArchive::U8(uint8_t& value) {
    uint64_t v = value;
    if (storing_) return Put(v, 1);
    if (Take(v, 1)) value = static_cast<uint8_t>(v);
}

void SignatureArchive::U16(uint16_t& value) {
    uint64_t v = value;
    if (storing_) return Put(v, 2);
    if (Take(v, 2)) value = static_cast<uint16_t>(v);
}

void SignatureArchive::U32(uint32_t& value) {
    uint64_t v = value;
    if (storing_) return Put(v, 4);
    if (Take(v, 4)) value = static_cast<uint32_t>(v);
}

void SignatureArchive::F32(float& value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    U32(bits);
    if (!storing_ && ok_) std::memcpy(&value, &bits, 4);
}

void SignatureArchive::F64(double& value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, 8);
    if (storing_) return Put(bits, 8);
    if (Take(bits, 8)) std::memcpy(&value, &bits, 8);
}

void SignatureArchive::Text(std::string& text) {
    if (storing_) {
        const size_t length = text.size();
        if (length < 0xFF) {
            Put(length, 1);
        } else if (length < 0xFFFF) {
            Put(0xFF, 1);
            Put(length, 2);
        } else {
            Put(0xFF, 1);
            Put(0xFFFF, 2);
            Put(length, 4);
        }
        buffer_.append(text);
        return;
    }
    uint64_t length = 0;
    if (!Take(length, 1)) return;
    if (length == 0xFF) {
        if (!Take(length, 2)) return;
        if (length == 0xFFFF && !Take(length, 4)) return;
    }
    if (length > Remaining()) {
        Fail("text longer than the rest of the file");
        return;
    }
    text.assign(source_.data() + position_, static_cast<size_t>(length));
    position_ += static_cast<size_t>(length);
}

void SignatureArchive::Points(std::vector<graphs::CFloatPT>& points) {
    if (storing_) {
        Put(points.empty() ? 0xFFFFFFFFu : static_cast<uint32_t>(points.size() - 1), 4);
        if constexpr (kPointsAsInFile) {
            if (!points.empty())
                buffer_.append(reinterpret_cast<const char*>(points.data()), points.size() * kPointBytes);
            return;
        }
        for (graphs::CFloatPT p : points) {
            F32(p.x);
            F32(p.y);
            U32(p.flag);
        }
        return;
    }
    uint64_t field = 0;
    if (!Take(field, 4)) return;
    const uint64_t count = field == 0xFFFFFFFFu ? 0 : field + 1;
    if (count > Remaining() / kPointBytes) {
        Fail("point count larger than the rest of the file");
        return;
    }
    std::vector<graphs::CFloatPT> read(static_cast<size_t>(count));
    if constexpr (kPointsAsInFile) {
        if (!read.empty()) std::memcpy(read.data(), source_.data() + position_, read.size() * kPointBytes);
        position_ += read.size() * kPointBytes;
        points = std::move(read);
        return;
    }
    for (graphs::CFloatPT& p : read) {
        F32(p.x);
        F32(p.y);
        U32(p.flag);
    }
    if (ok_) points = std::move(read);
}

}  // namespace diagnostics
