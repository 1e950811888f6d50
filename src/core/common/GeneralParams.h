#pragma once
// The general parameter record: protocol variant, traffic kind, scales, log size and both
// filters; stored in the header of every log file and of the send telegram file.

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/Bytes.h"
#include "common/FilterRecord.h"

namespace vadrix {

#pragma pack(push, 1)

struct alignas(4) TGeneralParams {
    static constexpr std::uint32_t kSize = 484;

    std::uint32_t RecordSize = kSize;
    std::int32_t FocusIndex = 0;
    std::int32_t ProtocolVariant = 1;  // 0, 1, 2 stored; 3 and 4 only while their window runs
    std::int32_t TrafficKind = 0;
    std::int32_t DataSync = 1;
    std::int32_t Type17Option = 0;
    std::int32_t Scale8 = 250;
    std::int32_t Scale11 = 2000;
    std::int32_t LogSize = 10;  // units of 1,024,000 bytes
    TFilterRecord DisplayFilter{};
    TFilterRecord LogFilter{};
    std::uint8_t reserved460[24]{};
};

#pragma pack(pop)

static_assert(sizeof(TGeneralParams) == 484);
static_assert(offsetof(TGeneralParams, FocusIndex) == 4);
static_assert(offsetof(TGeneralParams, ProtocolVariant) == 8);
static_assert(offsetof(TGeneralParams, TrafficKind) == 12);
static_assert(offsetof(TGeneralParams, DataSync) == 16);
static_assert(offsetof(TGeneralParams, Type17Option) == 20);
static_assert(offsetof(TGeneralParams, Scale8) == 24);
static_assert(offsetof(TGeneralParams, Scale11) == 28);
static_assert(offsetof(TGeneralParams, LogSize) == 32);
static_assert(offsetof(TGeneralParams, DisplayFilter) == 36);
static_assert(offsetof(TGeneralParams, DisplayFilter) + offsetof(TFilterRecord, FilterOn) == 240);
static_assert(offsetof(TGeneralParams, LogFilter) == 248);
static_assert(offsetof(TGeneralParams, LogFilter) + offsetof(TFilterRecord, FilterOn) == 452);
static_assert(offsetof(TGeneralParams, reserved460) == 460);
static_assert(StoredRecord<TGeneralParams>);

// A stored copy replaces the record only when its size word is 484.
inline bool TakeOverGeneralParams(TGeneralParams& dst, std::span<const std::uint8_t> stored) {
    return TakeOverSized(dst, stored);
}

// The copy written into a new log header never carries an active filter.
inline TGeneralParams GeneralParamsForLogHeader(const TGeneralParams& p) {
    TGeneralParams copy = p;
    copy.DisplayFilter.FilterOn = 0;
    copy.LogFilter.FilterOn = 0;
    return copy;
}

}  // namespace vadrix
