#pragma once
// The persistent part of a channel record: port, line and protocol parameters, stored with
// the settings and in the header of every log file.

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/Bytes.h"

namespace vadrix {

#pragma pack(push, 1)

// Parameters of one line of the monitor device: 1 (E1), 2 (S, the send line), 3 (E2).
struct alignas(4) TLineParams {
    std::int32_t BitRate = 200;
    std::int32_t Mv = 2;
    std::uint32_t CheckCode = 0;  // 0, 1, 2: two parity bits, 10 or 16 check bits
    std::int32_t SpZt = 32;
    std::int32_t SpPl = 1;
    std::int32_t Tol = 40;
    std::int32_t Df = 50;
    std::int32_t reserved28 = 0;
};

struct alignas(4) TChannelBlock {
    static constexpr std::uint32_t kSize = 292;

    std::uint32_t BlockSize = kSize;
    std::int32_t ComFocusIndex = 0;
    std::int32_t ComPage = 0;
    std::uint32_t ComNumber = 0;  // 0: channel not in use
    std::int32_t Baud = 0;        // taken from the baud list at start
    std::uint32_t BaudIndex = 8;
    std::uint16_t StationAddr[16] = {1};
    std::int32_t StationCount = 1;
    std::int32_t PdmFocusIndex = 0;
    std::int32_t PdmPage = 0;
    std::uint32_t Function = 0;
    std::int32_t CycleSeconds = 10;
    std::int32_t InterrogationPeriodMs = 2000;
    std::int32_t ClassPollCount = 1;
    std::uint8_t Parity = 2;  // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t DataBits = 8;
    std::uint8_t StopBits = 1;
    std::uint8_t SpikeFilter = 0;
    TLineParams Line[3] = {{}, {200, 2, 0, 34, 1, 40, 50, 0}, {}};  // Line[1..3] of the texts
    std::uint32_t AddrBytes[4] = {1, 1, 1, 1};
    std::uint8_t reserved200[8]{};
    std::int32_t LockTimeMs = 4;
    std::int32_t RtsLeadMs = 0;
    std::int32_t RtsLagMs = 0;
    std::int32_t PreSendDelayMs = 0;
    std::uint8_t reserved224[64]{};
    std::uint8_t RtsFunction = 0;
    std::uint8_t ModemWatch = 0;  // 0x80 DCD, 0x40 DSR, 0x20 CTS
    std::uint8_t reserved290[2]{};
};

#pragma pack(pop)

static_assert(sizeof(TLineParams) == 32);
static_assert(offsetof(TLineParams, Mv) == 4);
static_assert(offsetof(TLineParams, CheckCode) == 8);
static_assert(offsetof(TLineParams, SpZt) == 12);
static_assert(offsetof(TLineParams, SpPl) == 16);
static_assert(offsetof(TLineParams, Tol) == 20);
static_assert(offsetof(TLineParams, Df) == 24);

static_assert(sizeof(TChannelBlock) == 292);
static_assert(offsetof(TChannelBlock, ComFocusIndex) == 4);
static_assert(offsetof(TChannelBlock, ComPage) == 8);
static_assert(offsetof(TChannelBlock, ComNumber) == 12);
static_assert(offsetof(TChannelBlock, Baud) == 16);
static_assert(offsetof(TChannelBlock, BaudIndex) == 20);
static_assert(offsetof(TChannelBlock, StationAddr) == 24);
static_assert(offsetof(TChannelBlock, StationCount) == 56);
static_assert(offsetof(TChannelBlock, PdmFocusIndex) == 60);
static_assert(offsetof(TChannelBlock, PdmPage) == 64);
static_assert(offsetof(TChannelBlock, Function) == 68);
static_assert(offsetof(TChannelBlock, CycleSeconds) == 72);
static_assert(offsetof(TChannelBlock, InterrogationPeriodMs) == 76);
static_assert(offsetof(TChannelBlock, ClassPollCount) == 80);
static_assert(offsetof(TChannelBlock, Parity) == 84);
static_assert(offsetof(TChannelBlock, DataBits) == 85);
static_assert(offsetof(TChannelBlock, StopBits) == 86);
static_assert(offsetof(TChannelBlock, SpikeFilter) == 87);
static_assert(offsetof(TChannelBlock, Line) == 88);
static_assert(offsetof(TChannelBlock, AddrBytes) == 184);
static_assert(offsetof(TChannelBlock, reserved200) == 200);
static_assert(offsetof(TChannelBlock, LockTimeMs) == 208);
static_assert(offsetof(TChannelBlock, RtsLeadMs) == 212);
static_assert(offsetof(TChannelBlock, RtsLagMs) == 216);
static_assert(offsetof(TChannelBlock, PreSendDelayMs) == 220);
static_assert(offsetof(TChannelBlock, reserved224) == 224);
static_assert(offsetof(TChannelBlock, RtsFunction) == 288);
static_assert(offsetof(TChannelBlock, ModemWatch) == 289);
static_assert(offsetof(TChannelBlock, reserved290) == 290);
static_assert(StoredRecord<TChannelBlock>);

// A stored copy replaces the block only when its size word is 292.
inline bool TakeOverChannelBlock(TChannelBlock& dst, std::span<const std::uint8_t> stored) {
    return TakeOverSized(dst, stored);
}

}  // namespace vadrix
