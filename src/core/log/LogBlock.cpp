#include "log/LogBlock.h"

#include <cstring>

namespace vadrix {

namespace {

bool SoundRecord(BlockBytes block, std::uint32_t pos, std::uint16_t expectedPrev,
                 std::uint32_t validBytes) {
    const std::uint16_t len = RecLenAt(block, pos);
    if (len % 2 != 0 || len < kMinRecordLength || len > kMaxRecordLength) return false;
    if (!RecordFits(pos, len) || pos + len > validBytes) return false;
    if (ReadLe<std::uint16_t>(block, pos + offsetof(TTelegram, PrevLen)) != expectedPrev)
        return false;
    const auto frameLen = ReadLe<std::int16_t>(block, pos + offsetof(TTelegram, FrameLen));
    return frameLen >= 0 && frameLen <= kMaxStoredFrame && RecordLength(frameLen) == len;
}

}  // namespace

void IndexBlock(BlockBytes block, TBlockIndex& index, std::uint32_t validBytes) {
    index.count = 0;
    index.broken = false;
    std::uint32_t pos = kBlockRecordsStart;
    std::uint16_t prev = 0;
    // Each sound record moves pos on by at least 32 bytes, so the walk ends within the block.
    while (RecordFits(pos, kMinRecordLength) && index.count < kMaxRecordsPerBlock) {
        if (RecLenAt(block, pos) == 0) return;
        if (!SoundRecord(block, pos, prev, validBytes)) {
            index.broken = true;
            return;
        }
        index.pos[index.count++] = static_cast<std::uint16_t>(pos);
        prev = RecLenAt(block, pos);
        pos += prev;
    }
}

TBlockHeader ReadBlockHeader(BlockBytes block) {
    TBlockHeader h;
    std::memcpy(&h, block.data(), sizeof h);
    return h;
}

void WriteBlockHeader(std::span<std::uint8_t, kLogBlockSize> block, const TBlockHeader& h) {
    std::memcpy(block.data(), &h, sizeof h);
}

}  // namespace vadrix
