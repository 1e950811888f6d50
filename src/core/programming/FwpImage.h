#pragma once
// The FWP image header: 16 bytes at the start of an FWP file, followed by Length data bytes.

#include <cstddef>
#include <cstdint>

#include "common/Bytes.h"

namespace vadrix {

inline constexpr char kFwpMagic[4] = {'k', '3', 'p', 'g'};
inline constexpr std::size_t kFwpMaxData = 8192;

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

}  // namespace vadrix
