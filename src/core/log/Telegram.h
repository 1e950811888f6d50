#pragma once
// One stored telegram or event: a 30-byte head followed by the frame bytes. The layout is
// also the record layout of the log file.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/Bytes.h"

namespace vadrix {

#pragma pack(push, 1)

struct alignas(8) TTelegram {
    static constexpr std::size_t kHeadSize = 30;
    static constexpr std::size_t kMaxFrame = 272;  // fills the 302-byte buffer
    static constexpr std::size_t kBufferSize = 302;

    std::uint16_t PrevLen = 0;  // length of the record before this one in its block
    std::uint16_t RecLen = 0;   // FrameLen + 32 rounded up to even; 0 ends a block
    std::uint8_t Status = 0;    // 40 good, below 40 errors, above 40 events and marks
    std::uint8_t Kind = 0;
    std::int16_t FrameLen = 0;
    double Time = 0;  // days since 30 December 1899 with fraction
    std::int32_t SeqNo = 0;
    std::uint8_t reserved20[2]{};
    std::uint16_t TelNo = 0;
    std::uint8_t Source = 0;    // 1 E1, 2 S1, 3 E2, 4 S2, 0 none
    std::int8_t DataShift = 0;  // address bytes of the source minus 1
    std::uint8_t Station = 0;
    std::uint8_t LenCode = 0;
    std::uint8_t DataKind = 0;
    std::uint8_t InfoClass = 0;
    std::uint8_t Frame[kMaxFrame]{};
};

#pragma pack(pop)

// In memory the record is padded to keep its time stamp aligned; stored are RecLen bytes.
static_assert(sizeof(TTelegram) == 304);
static_assert(offsetof(TTelegram, Frame) + TTelegram::kMaxFrame == TTelegram::kBufferSize);
static_assert(offsetof(TTelegram, RecLen) == 2);
static_assert(offsetof(TTelegram, Status) == 4);
static_assert(offsetof(TTelegram, Kind) == 5);
static_assert(offsetof(TTelegram, FrameLen) == 6);
static_assert(offsetof(TTelegram, Time) == 8);
static_assert(offsetof(TTelegram, SeqNo) == 16);
static_assert(offsetof(TTelegram, reserved20) == 20);
static_assert(offsetof(TTelegram, TelNo) == 22);
static_assert(offsetof(TTelegram, Source) == 24);
static_assert(offsetof(TTelegram, DataShift) == 25);
static_assert(offsetof(TTelegram, Station) == 26);
static_assert(offsetof(TTelegram, LenCode) == 27);
static_assert(offsetof(TTelegram, DataKind) == 28);
static_assert(offsetof(TTelegram, InfoClass) == 29);
static_assert(offsetof(TTelegram, Frame) == TTelegram::kHeadSize);
static_assert(StoredRecord<TTelegram>);

// Status codes with a meaning of their own.
namespace status {
inline constexpr std::uint8_t kGood = 40;
inline constexpr std::uint8_t kRunEnd = 34;
inline constexpr std::uint8_t kSupervision = 35;
inline constexpr std::uint8_t kModemLines = 43;
inline constexpr std::uint8_t kPortOpened = 48;
inline constexpr std::uint8_t kPortClosed = 49;
inline constexpr std::uint8_t kRtsSwitched = 50;
inline constexpr std::uint8_t kFreeText = 54;
// Telegrams marked by reception while a file transfer to the monitor device runs; the
// statistics do not count them.
inline constexpr std::uint8_t kTransferMarked = 52;
}  // namespace status

// Record kinds.
namespace kind {
inline constexpr std::uint8_t kLineEvent = 2;
inline constexpr std::uint8_t kVariable = 3;
inline constexpr std::uint8_t kEvent = 4;
inline constexpr std::uint8_t kNoTelegram = 5;
inline constexpr std::uint8_t kValueList = 6;
}  // namespace kind

// Sources of telegrams and events.
namespace source {
inline constexpr std::uint8_t kNone = 0;
inline constexpr std::uint8_t kE1 = 1;
inline constexpr std::uint8_t kS1 = 2;
inline constexpr std::uint8_t kE2 = 3;
inline constexpr std::uint8_t kS2 = 4;
}  // namespace source

// The stored length of a record with n frame bytes.
constexpr std::uint16_t RecordLength(std::int32_t frameLen) {
    return static_cast<std::uint16_t>((frameLen + 32 + 1) & ~1);
}

}  // namespace vadrix
