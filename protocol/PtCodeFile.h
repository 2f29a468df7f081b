// The one-record files two protocols keep their last command code in: a
// 32-bit little-endian integer at offset 0, overwritten in place, never
// truncated. Failures are silent to the caller's packets.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace ptcodefile {

inline bool Read(const std::string& path, int32_t& code) {
    uint8_t r[4];
    if (!platform::FileReadAt0(path, r, sizeof r)) return false;
    code = static_cast<int32_t>(static_cast<uint32_t>(r[0]) | static_cast<uint32_t>(r[1]) << 8 |
                                static_cast<uint32_t>(r[2]) << 16 | static_cast<uint32_t>(r[3]) << 24);
    return true;
}

inline void Write(const std::string& path, int32_t code) {
    const uint32_t v = static_cast<uint32_t>(code);
    const uint8_t r[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                          static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    platform::FileWriteAt0(path, r, sizeof r);
}

}  // namespace ptcodefile
