#pragma once
// Check bits of bit-packed telegrams: two parity bits, or 10 or 16 check bits, appended after
// the data bits, most significant first. Reception checks them, composition builds them.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "log/Telegram.h"

namespace vadrix {

inline constexpr int kMaxDataBits = 105;
// The bits of a monitored telegram start here in an envelope frame.
inline constexpr int kEnvelopeBitsPos = 8;

// Check kind 2, 4, 6: 2, 10 or 16 check bits.
constexpr int CheckBitCount(int checkKind) {
    return checkKind == 6 ? 16 : checkKind == 4 ? 10 : 2;
}

using CheckTable = std::array<std::uint16_t, kMaxDataBits>;

// T10[104] = 0x15A; each entry below is the next one shifted left, reduced by 0x55A.
constexpr CheckTable MakeT10() {
    CheckTable t{};
    t[kMaxDataBits - 1] = 0x15A;
    for (int i = kMaxDataBits - 1; i >= 1; --i) {
        unsigned v = static_cast<unsigned>(t[i]) << 1;
        if (v & 0x400) v ^= 0x55A;
        t[i - 1] = static_cast<std::uint16_t>(v & 0x3FF);
    }
    return t;
}
// T16[0] = 0xB234; each entry after is the previous one shifted right, reduced by 0xA755.
constexpr CheckTable MakeT16() {
    CheckTable t{};
    t[0] = 0xB234;
    for (int i = 0; i + 1 < kMaxDataBits; ++i) {
        unsigned v = t[i] >> 1;
        if (t[i] & 1) v ^= 0xA755;
        t[i + 1] = static_cast<std::uint16_t>(v);
    }
    return t;
}
inline constexpr CheckTable kT10 = MakeT10();
inline constexpr CheckTable kT16 = MakeT16();

// Bit i of a bit string packed least significant first; bits past the end read as zero.
inline bool BitAt(std::span<const std::uint8_t> bits, int i) {
    const std::size_t byte = static_cast<std::size_t>(i) / 8;
    return i >= 0 && byte < bits.size() && ((bits[byte] >> (i % 8)) & 1) != 0;
}
inline void SetBitAt(std::span<std::uint8_t> bits, int i, bool on) {
    const std::size_t byte = static_cast<std::size_t>(i) / 8;
    if (i < 0 || byte >= bits.size()) return;
    const auto mask = static_cast<std::uint8_t>(1u << (i % 8));
    bits[byte] = static_cast<std::uint8_t>(on ? bits[byte] | mask : bits[byte] & ~mask);
}
// Clears bit i and every bit after it to the end of the string.
inline void ClearBitsFrom(std::span<std::uint8_t> bits, int i) {
    const std::size_t byte = static_cast<std::size_t>(std::max(i, 0)) / 8;
    if (byte >= bits.size()) return;
    if (i > 0)
        bits[byte] &= static_cast<std::uint8_t>((1u << (i % 8)) - 1);
    else
        bits[byte] = 0;
    std::fill(bits.begin() + static_cast<std::ptrdiff_t>(byte) + 1, bits.end(), std::uint8_t{0});
}

// The check code of d data bits (at most 105) for check kind 2, 4 or 6.
std::uint16_t ComputeCheckCode(std::span<const std::uint8_t> bits, int dataBits, int checkKind);
// Writes the check bits after the data bits.
void AppendCheckBits(std::span<std::uint8_t> bits, int dataBits, int checkKind);
// True when the check bits after the data bits match.
bool CheckBitsMatch(std::span<const std::uint8_t> bits, int dataBits, int checkKind);
// The same on the bits of an envelope frame.
bool CheckBits(const TTelegram& t, int dataBits, int checkKind);

}  // namespace vadrix
