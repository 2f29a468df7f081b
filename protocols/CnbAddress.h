// The two decimal address characters of the CNB ASCII protocols.
#pragma once

#include <cstdint>

#include "protocol/PtCheck.h"

namespace cnb {

// The packets have room for two digits only, so 00 to 99 are the
// addresses there are; for any other address this returns false and the
// caller sends nothing rather than steer a camera it was not asked to.
inline bool AddressDigits(signed char address, uint8_t* out) {
    const unsigned a = static_cast<uint8_t>(address);
    if (a > 99) return false;
    out[0] = ptcheck::DecDigit(a, 1);
    out[1] = ptcheck::DecDigit(a, 0);
    return true;
}

// Sum of bytes 0 to 8 as two upper-case hex digits in bytes 9 and 10.
inline void Seal(uint8_t* packet) {
    const uint8_t sum = ptcheck::Sum(packet, 0, 8);
    packet[9] = ptcheck::HexDigit(sum >> 4);
    packet[10] = ptcheck::HexDigit(sum);
}

}  // namespace cnb
