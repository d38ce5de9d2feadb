#pragma once
// Answers of the list calls as every backend gives them: as many records as the caller has
// room for, the number there are, and E_BUF_TOO_SMALL when that is more than fits.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "nifb/NifbRequest.h"
#include "nifb/nifb.h"

namespace nifb {

template <typename T>
Response ListAnswer(const std::vector<T>& all, uint32_t capacity) {
    Response r;
    r.value[0] = static_cast<uint32_t>(all.size());
    const size_t n = std::min<size_t>(all.size(), capacity);
    r.data.resize(n * sizeof(T));
    if (n) std::memcpy(r.data.data(), all.data(), n * sizeof(T));
    r.status = all.size() > capacity ? E_BUF_TOO_SMALL : E_OK;
    return r;
}

// A zero-terminated text field of `cap` bytes (longer text is cut, the rest zeroed).
inline void CopyText(char* dst, size_t cap, const std::string& s) {
    std::memset(dst, 0, cap);
    std::memcpy(dst, s.data(), std::min(s.size(), cap - 1));
}

}  // namespace nifb
