#pragma once
// The FWP image header: 16 bytes at the start of an FWP file, followed by Length data bytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/Bytes.h"

namespace vadrix {

inline constexpr char kFwpMagic[4] = {'k', '3', 'p', 'g'};
inline constexpr std::size_t kFwpMaxData = 8192;

inline std::uint16_t FwpChecksum(std::span<const std::uint8_t> bytes) {
    std::uint16_t sum = 0;
    for (const std::uint8_t b : bytes) sum = static_cast<std::uint16_t>(sum + b);
    return sum;
}

#pragma pack(push, 1)

struct alignas(2) TFwpHeader {
    char Magic[4]{};             // "k3pg" when the image came from a file
    std::uint16_t Start = 0;     // device address of the first byte
    std::uint16_t Length = 0;    // 0: no image
    std::uint16_t Checksum = 0;  // sum of the image bytes modulo 65536
    std::uint16_t SentCount = 0;
    std::uint16_t RecvCount = 0;
    std::uint8_t reserved14[2]{};
};

#pragma pack(pop)

static_assert(sizeof(TFwpHeader) == 16);
static_assert(offsetof(TFwpHeader, Start) == 4);
static_assert(offsetof(TFwpHeader, Length) == 6);
static_assert(offsetof(TFwpHeader, Checksum) == 8);
static_assert(offsetof(TFwpHeader, SentCount) == 10);
static_assert(offsetof(TFwpHeader, RecvCount) == 12);
static_assert(offsetof(TFwpHeader, reserved14) == 14);
static_assert(StoredRecord<TFwpHeader>);

// The image the programming functions work on: the header and its data buffer, Data[0]
// belonging to address Start.
struct FwpImage {
    TFwpHeader header{};
    std::array<std::uint8_t, kFwpMaxData> data{};

    // No image: all 16 header bytes zero.
    void Clear() { header = TFwpHeader{}; }
    std::span<const std::uint8_t> Bytes() const {
        return {data.data(), header.Length < kFwpMaxData ? header.Length : kFwpMaxData};
    }
    // The sum of the image bytes modulo 65536.
    std::uint16_t Sum() const { return FwpChecksum(Bytes()); }
};

}  // namespace vadrix
