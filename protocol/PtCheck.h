// Check bytes and address encodings shared by the protocol families.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ptcheck {

// Sum of bytes [from, to] inclusive, modulo 256.
inline uint8_t Sum(const uint8_t* p, size_t from, size_t to) {
    unsigned s = 0;
    for (size_t i = from; i <= to; ++i) s += p[i];
    return static_cast<uint8_t>(s);
}

// XOR of bytes [from, to] inclusive.
inline uint8_t Xor(const uint8_t* p, size_t from, size_t to) {
    uint8_t x = 0;
    for (size_t i = from; i <= to; ++i) x ^= p[i];
    return x;
}

// Sum of bytes [from, to] kept to 7 bits.
inline uint8_t Sum7(const uint8_t* p, size_t from, size_t to) {
    return static_cast<uint8_t>(Sum(p, from, to) & 0x7F);
}

// One's complement of the sum of bytes [from, to].
inline uint8_t ComplementSum(const uint8_t* p, size_t from, size_t to) {
    return static_cast<uint8_t>(~Sum(p, from, to));
}

// Two's complement of the sum of bytes [from, to]: the packet then sums to 0.
inline uint8_t NegSum(const uint8_t* p, size_t from, size_t to) {
    return static_cast<uint8_t>(0x100 - Sum(p, from, to));
}

// The byte that makes bytes [from, to] and itself sum to total, modulo 256.
inline uint8_t SumTo(uint8_t total, const uint8_t* p, size_t from, size_t to) {
    return static_cast<uint8_t>(total - Sum(p, from, to));
}

// Upper-case ASCII hex digit of a nibble.
inline uint8_t HexDigit(unsigned nibble) {
    nibble &= 0xF;
    return static_cast<uint8_t>(nibble < 10 ? '0' + nibble : 'A' + nibble - 10);
}

// "0x30 plus nibble" digits: 10..15 become ':' ';' '<' '=' '>' '?'.
inline uint8_t Nibble30(unsigned nibble) { return static_cast<uint8_t>(0x30 + (nibble & 0xF)); }

// Decimal digit n (0 = units) of v, as ASCII.
inline uint8_t DecDigit(unsigned v, unsigned n) {
    while (n--) v /= 10;
    return static_cast<uint8_t>('0' + v % 10);
}

// The last two decimal digits of v, tens first, as ASCII.
inline void TwoDigits(uint8_t* out, unsigned v) {
    out[0] = DecDigit(v, 1);
    out[1] = DecDigit(v, 0);
}

}  // namespace ptcheck
