#pragma once
// The filter record: the same 212 bytes in memory, in the general parameters and in filter files.

#include <cstddef>
#include <cstdint>

#include "common/Bytes.h"

namespace vadrix {

#pragma pack(push, 1)

struct alignas(4) TFilterRow {
    std::int32_t RowField = 0;  // 6 record number, 7 frame length, 8 station, 9 object number
    std::int32_t RowMode = 0;   // 0 off, 1 "is", 2 "is not"
    std::int32_t RowValue1 = 0;
    std::int32_t RowCompare = 0;  // 0 equal, 1 equal to either value, 2 within the range
    std::int32_t RowValue2 = 0;
};

struct alignas(4) TFilterRecord {
    static constexpr std::uint16_t kSizeMarker = 212;

    std::uint16_t FilterActive = 0;
    std::uint16_t SizeMarker = 0;  // 212 in filter files
    std::int32_t FocusIndex = 0;
    std::int32_t SourceMask = 0;    // bit i: source i + 1 passes; 0 reads as 15
    std::int32_t DataKindMask = 0;  // bit k: data kind k passes; 0 reads as 15
    double FromTime = 0;
    double ToTime = 0;
    std::uint8_t reserved32[4]{};
    std::int32_t RowCount = 0;
    TFilterRow Rows[4]{};
    std::uint8_t reserved120[80]{};
    std::int32_t reserved200 = 0;
    std::uint8_t FilterOn = 0;
    std::uint8_t FromEnabled = 0;
    std::uint8_t ToEnabled = 0;
    std::uint8_t ShowGood = 0;
    std::uint8_t ShowFaulty = 0;
    std::uint8_t reserved209[3]{};
};

#pragma pack(pop)

static_assert(sizeof(TFilterRow) == 20);
static_assert(sizeof(TFilterRecord) == 212);
static_assert(offsetof(TFilterRecord, SizeMarker) == 2);
static_assert(offsetof(TFilterRecord, FocusIndex) == 4);
static_assert(offsetof(TFilterRecord, SourceMask) == 8);
static_assert(offsetof(TFilterRecord, DataKindMask) == 12);
static_assert(offsetof(TFilterRecord, FromTime) == 16);
static_assert(offsetof(TFilterRecord, ToTime) == 24);
static_assert(offsetof(TFilterRecord, RowCount) == 36);
static_assert(offsetof(TFilterRecord, Rows) == 40);
static_assert(offsetof(TFilterRecord, reserved120) == 120);
static_assert(offsetof(TFilterRecord, reserved200) == 200);
static_assert(offsetof(TFilterRecord, FilterOn) == 204);
static_assert(offsetof(TFilterRecord, FromEnabled) == 205);
static_assert(offsetof(TFilterRecord, ToEnabled) == 206);
static_assert(offsetof(TFilterRecord, ShowGood) == 207);
static_assert(offsetof(TFilterRecord, ShowFaulty) == 208);
static_assert(StoredRecord<TFilterRecord>);

}  // namespace vadrix
