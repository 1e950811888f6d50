#pragma once
// The log file: a 2000-byte header, a 128-byte directory and a ring of 32768-byte blocks.
// The send telegram file shares the header.

#include <cstddef>
#include <cstdint>

#include "channel/ChannelBlock.h"
#include "common/Bytes.h"
#include "common/GeneralParams.h"

namespace vadrix {

inline constexpr std::uint32_t kFileMagic = 0x51050005;
inline constexpr std::uint32_t kLogHeaderSize = 2000;
inline constexpr std::uint32_t kLogDirectorySize = 128;
inline constexpr std::uint32_t kLogBlockSize = 32768;
inline constexpr std::uint32_t kLogBlocksStart = kLogHeaderSize + kLogDirectorySize;  // 2128
inline constexpr std::uint32_t kBlockRecordsStart = 64;
inline constexpr std::uint32_t kLogSizeUnit = 1024000;

constexpr std::uint64_t LogBlockOffset(std::uint32_t block) {
    return kLogBlocksStart + static_cast<std::uint64_t>(block) * kLogBlockSize;
}
// Blocks of the ring for a log size of s units: 1 gives 32 blocks, 10 gives 313.
constexpr std::uint32_t LogBlockCount(std::uint32_t logSize) {
    return static_cast<std::uint32_t>(
        (static_cast<std::uint64_t>(logSize) * kLogSizeUnit + kLogBlockSize) / kLogBlockSize);
}
static_assert(LogBlockCount(1) == 32 && LogBlockCount(10) == 313);

#pragma pack(push, 1)

struct alignas(4) TLogHeader {
    std::uint32_t Magic = kFileMagic;
    std::uint32_t FileLength = 0;  // written only when a log is finished
    std::uint32_t HeaderSize = kLogHeaderSize;
    std::uint32_t reserved12 = 0;
    TGeneralParams General{};
    std::uint8_t reserved500[516]{};
    TChannelBlock Channel1{};
    TChannelBlock Channel2{};
    std::uint8_t reserved1600[400]{};

    bool Valid() const { return Magic == kFileMagic && HeaderSize == kLogHeaderSize; }
};

struct alignas(4) TLogDirectory {
    std::uint32_t DirectorySize = kLogDirectorySize;
    std::uint32_t BlockCount = 0;  // N
    std::uint32_t OldestBlock = 0;
    std::uint32_t CurrentBlock = 0;
    std::uint32_t BlocksInUse = 0;  // written only when a log is finished
    std::uint32_t OldestSeqNo = 0;
    std::uint32_t NewestSeqNo = 0;
    double OldestTime = 0;
    double NewestTime = 0;
    std::uint8_t reserved44[84]{};
};

struct alignas(8) TBlockHeader {
    std::uint32_t reserved0 = 0;
    std::uint32_t LastRecordOffset = 0;  // counted from block offset 64
    std::uint32_t FirstSeqNo = 0;
    std::uint32_t LastSeqNo = 0;
    double FirstTime = 0;
    double LastTime = 0;
    std::uint32_t RecordCount = 0;
    std::uint8_t reserved36[28]{};
};

#pragma pack(pop)

static_assert(sizeof(TLogHeader) == kLogHeaderSize);
static_assert(offsetof(TLogHeader, FileLength) == 4);
static_assert(offsetof(TLogHeader, HeaderSize) == 8);
static_assert(offsetof(TLogHeader, General) == 16);
static_assert(offsetof(TLogHeader, General) + offsetof(TGeneralParams, DisplayFilter) +
                  offsetof(TFilterRecord, FilterOn) ==
              256);
static_assert(offsetof(TLogHeader, General) + offsetof(TGeneralParams, LogFilter) +
                  offsetof(TFilterRecord, FilterOn) ==
              468);
static_assert(offsetof(TLogHeader, reserved500) == 500);
static_assert(offsetof(TLogHeader, Channel1) == 1016);
static_assert(offsetof(TLogHeader, Channel2) == 1308);
static_assert(offsetof(TLogHeader, reserved1600) == 1600);

static_assert(sizeof(TLogDirectory) == kLogDirectorySize);
static_assert(offsetof(TLogDirectory, BlockCount) == 4);
static_assert(offsetof(TLogDirectory, OldestBlock) == 8);
static_assert(offsetof(TLogDirectory, CurrentBlock) == 12);
static_assert(offsetof(TLogDirectory, BlocksInUse) == 16);
static_assert(offsetof(TLogDirectory, OldestSeqNo) == 20);
static_assert(offsetof(TLogDirectory, NewestSeqNo) == 24);
static_assert(offsetof(TLogDirectory, OldestTime) == 28);
static_assert(offsetof(TLogDirectory, NewestTime) == 36);
static_assert(offsetof(TLogDirectory, reserved44) == 44);

static_assert(sizeof(TBlockHeader) == kBlockRecordsStart);
static_assert(offsetof(TBlockHeader, LastRecordOffset) == 4);
static_assert(offsetof(TBlockHeader, FirstSeqNo) == 8);
static_assert(offsetof(TBlockHeader, LastSeqNo) == 12);
static_assert(offsetof(TBlockHeader, FirstTime) == 16);
static_assert(offsetof(TBlockHeader, LastTime) == 24);
static_assert(offsetof(TBlockHeader, RecordCount) == 32);
static_assert(offsetof(TBlockHeader, reserved36) == 36);
static_assert(StoredRecord<TLogHeader> && StoredRecord<TLogDirectory> &&
              StoredRecord<TBlockHeader>);

}  // namespace vadrix
