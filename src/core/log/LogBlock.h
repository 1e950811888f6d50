#pragma once
// One block of the log ring: where its records lie, found by walking the record chain with
// every length checked, so that a damaged block can never lead a reader outside it.

#include <array>
#include <cstdint>
#include <span>

#include "log/LogFileLayout.h"
#include "log/Telegram.h"

namespace vadrix {

// Records end within the first 32767 bytes of a block: one byte less than the block.
inline constexpr std::uint32_t kBlockUsableEnd = kLogBlockSize - 1;
inline constexpr std::uint32_t kMinRecordLength = RecordLength(0);                    // 32
inline constexpr std::uint32_t kMaxRecordLength = TTelegram::kBufferSize;             // 302
inline constexpr std::int16_t kMaxStoredFrame = kMaxRecordLength - kMinRecordLength;  // 270
inline constexpr std::uint32_t kMaxRecordsPerBlock =
    (kBlockUsableEnd - kBlockRecordsStart) / kMinRecordLength;

using BlockBuffer = std::array<std::uint8_t, kLogBlockSize>;
using BlockBytes = std::span<const std::uint8_t, kLogBlockSize>;

// Whether a record of len bytes placed at pos stays within the usable part of a block.
constexpr bool RecordFits(std::uint32_t pos, std::uint32_t len) {
    return pos + len <= kBlockUsableEnd;
}

// The positions of the valid records of a block, in chain order. The chain starts at block
// offset 64 and ends at a record length of 0; it also ends, keeping what came before, at the
// first record that is not sound: a length that is odd, too short or too long for a record,
// that would reach past the usable part of the block or disagrees with the frame length, or a
// back length that does not name the record before.
struct TBlockIndex {
    std::uint16_t count = 0;
    bool broken = false;  // the chain ended at a damaged record, not at a length of 0
    std::array<std::uint16_t, kMaxRecordsPerBlock> pos{};

    bool empty() const { return count == 0; }
    std::uint16_t Last() const { return count == 0 ? 0 : pos[count - 1]; }
};

// Only the first validBytes of the buffer hold data (a block cut short at the end of a file):
// a record reaching beyond them is not taken.
void IndexBlock(BlockBytes block, TBlockIndex& index, std::uint32_t validBytes = kLogBlockSize);

inline std::uint16_t RecLenAt(BlockBytes block, std::uint32_t pos) {
    return ReadLe<std::uint16_t>(block, pos + offsetof(TTelegram, RecLen));
}

// The 64-byte block header at the front of a block buffer.
TBlockHeader ReadBlockHeader(BlockBytes block);
void WriteBlockHeader(std::span<std::uint8_t, kLogBlockSize> block, const TBlockHeader& h);

}  // namespace vadrix
