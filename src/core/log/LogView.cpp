// The view cursor of the telegram log: a read-only handle on the log file, one block of it in
// memory and the position of one record in that block.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

#include "app/Context.h"
#include "common/TextIds.h"
#include "log/TelLog.h"

namespace vadrix {

bool TTelLog::OpenView() {
    if (view_.IsOpen()) return true;
    viewReported_ = false;
    viewStale_ = false;
    if (!view_.Open(path_, TFileAccess::Mode::kReadOnly)) {
        ReportViewReadError();
        viewBuf_.fill(0);
        viewIndex_ = TBlockIndex{};
        viewSlot_ = 0;
        viewRecValid_ = false;
        return false;
    }
    viewBlocksAtOpen_ = BlocksInFile();
    ViewToEnd();
    return true;
}

void TTelLog::CloseView() {
    view_.Close();
}

// One message per opening of the view: stepping over a damaged file must not bring up a box
// for every block.
void TTelLog::ReportViewReadError() {
    if (viewReported_) return;
    viewReported_ = true;
    ShowFileError(txt::kLogReadError, path_);
}

// Reads block b and returns how many of its bytes could be read; of a short block the
// records read whole are kept.
std::uint32_t TTelLog::ReadViewBlock(std::uint32_t b) {
    const std::size_t n = view_.ReadAt(LogBlockOffset(b), viewBuf_);
    if (n == kLogBlockSize) return kLogBlockSize;
    std::fill(viewBuf_.begin() + static_cast<std::ptrdiff_t>(n), viewBuf_.end(), 0);
    ++viewReadErrors_;
    ReportViewReadError();
    return static_cast<std::uint32_t>(n);
}

void TTelLog::LoadViewBlock(std::uint32_t b, bool atEnd) {
    viewBlock_ = b;
    viewRecValid_ = false;
    std::uint32_t valid = kLogBlockSize;
    if (b >= dir_.BlockCount)
        viewBuf_.fill(0);
    else if (b == dir_.CurrentBlock)
        viewBuf_ = block_;  // the view sees the records not yet on disk
    else
        valid = ReadViewBlock(b);
    IndexBlock(viewBuf_, viewIndex_, valid);
    viewSlot_ = atEnd && !viewIndex_.empty() ? viewIndex_.count - 1 : 0;
}

void TTelLog::ReturnToMark(const ViewMark& mark) {
    if (mark.block != viewBlock_) LoadViewBlock(mark.block, false);
    viewSlot_ = viewIndex_.empty() ? 0 : std::min<std::uint16_t>(mark.slot, viewIndex_.count - 1);
    viewRecValid_ = false;
}

void TTelLog::ViewToEnd() {
    LoadViewBlock(dir_.CurrentBlock, true);
    endBlock_ = dir_.CurrentBlock;
}

void TTelLog::ViewToStart() {
    LoadViewBlock(dir_.OldestBlock, false);
}

const TTelegram& TTelLog::ViewRecord() {
    if (viewRecValid_) return viewRec_;
    viewRecValid_ = true;
    if (viewIndex_.empty()) {
        viewRec_ = TTelegram{};
        return viewRec_;
    }
    const std::uint16_t pos = viewIndex_.pos[viewSlot_];
    const std::uint16_t len = RecLenAt(viewBuf_, pos);
    auto* out = reinterpret_cast<std::uint8_t*>(&viewRec_);
    std::memcpy(out, viewBuf_.data() + pos, len);
    std::memset(out + len, 0, sizeof(TTelegram) - len);
    return viewRec_;
}

// Each step moves one record or one block, and the walk between the oldest and the end block
// of the ring is finite, so no file, however damaged, can make the view loop.
bool TTelLog::StepBack() {
    if (!viewIndex_.empty() && viewSlot_ > 0) {
        --viewSlot_;
        viewRecValid_ = false;
        return true;
    }
    const std::uint32_t n = dir_.BlockCount;
    if (viewBlock_ == dir_.OldestBlock || viewBlock_ >= n) return false;
    const std::uint32_t wanted = (viewBlock_ + n - 1) % n;
    const std::uint32_t b = SkipAbsentBack(wanted);
    NoteSkippedBlocks(wanted, b);
    LoadViewBlock(b, true);
    return true;
}

// Blocks past the end of the file hold no records: a directory claiming a ring far longer
// than the file must not make the cursor visit them one by one.
std::uint32_t TTelLog::BlocksInFile() const {
    const std::uint64_t size = view_.Size();
    if (size <= kLogBlocksStart) return 0;
    // A block the file ends inside still holds the records read whole.
    const std::uint64_t blocks = (size - kLogBlocksStart + kLogBlockSize - 1) / kLogBlockSize;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(blocks, dir_.BlockCount));
}

// Blocks absent from a file that had them when the view opened were cut off under it (another
// program shortened the file): their records are lost to the view, which is a read error,
// not the end of the log.
void TTelLog::NoteSkippedBlocks(std::uint32_t wanted, std::uint32_t loaded) {
    if (loaded == wanted || BlocksInFile() >= viewBlocksAtOpen_) return;
    ++viewReadErrors_;
    ReportViewReadError();
}

bool TTelLog::AbsentBlock(std::uint32_t b, std::uint32_t inFile) const {
    return b >= inFile && b != dir_.CurrentBlock;
}

// The run of absent blocks from b upwards ends at the end block if it lies in it, else at
// the top of the ring, after which the walk goes on at block 0.
std::uint32_t TTelLog::SkipAbsentForward(std::uint32_t b) const {
    const std::uint32_t inFile = BlocksInFile();
    if (!AbsentBlock(b, inFile)) return b;
    std::uint32_t stop = dir_.BlockCount;
    if (endBlock_ >= b) stop = endBlock_;
    if (dir_.CurrentBlock > b && dir_.CurrentBlock < stop) stop = dir_.CurrentBlock;
    return stop < dir_.BlockCount ? stop : 0;
}

// The run of absent blocks from b downwards ends at the nearest block below it that the file
// holds, or at the oldest or current block. When none lies below b (a file that holds no
// block), the run goes on past block 0 from the top of the ring and ends at the higher of the
// oldest and current block: always a block the walk stops at, never b's neighbour again.
std::uint32_t TTelLog::SkipAbsentBack(std::uint32_t b) const {
    const std::uint32_t inFile = BlocksInFile();
    if (!AbsentBlock(b, inFile)) return b;
    std::optional<std::uint32_t> stop;
    const auto consider = [&](std::uint32_t c) {
        if (c <= b && (!stop || c > *stop)) stop = c;
    };
    if (inFile > 0) consider(inFile - 1);
    consider(dir_.OldestBlock);
    consider(dir_.CurrentBlock);
    return stop ? *stop : std::max(dir_.OldestBlock, dir_.CurrentBlock);
}

bool TTelLog::StepForward() {
    if (!viewIndex_.empty() && viewSlot_ + 1 < viewIndex_.count) {
        ++viewSlot_;
        viewRecValid_ = false;
        return true;
    }
    const std::uint32_t n = dir_.BlockCount;
    if (viewBlock_ == endBlock_ || viewBlock_ >= n) return false;
    const std::uint32_t wanted = (viewBlock_ + 1) % n;
    const std::uint32_t b = SkipAbsentForward(wanted);
    NoteSkippedBlocks(wanted, b);
    LoadViewBlock(b, false);
    return true;
}

bool TTelLog::Passes() {
    if (viewIndex_.empty()) return false;
    // Without a filter in force a record under the cursor passes unread.
    if (!DisplayFilterInForce()) return true;
    return PassesDisplayFilter(ViewRecord());
}

bool TTelLog::NextPassing() {
    while (StepForward())
        if (Passes()) return true;
    return false;
}

bool TTelLog::PrevPassing() {
    while (StepBack())
        if (Passes()) return true;
    // Nothing passes before: stand on the first record that does, if there is one.
    if (!Passes()) NextPassing();
    return false;
}

int TTelLog::Move(int n) {
    if (n == 0) return 0;
    const int k =
        n == std::numeric_limits<int>::min() ? std::numeric_limits<int>::max() : std::abs(n);
    if (k >= kFastMove) return n > 0 ? SkipForward(k) : -SkipBack(k);
    int moved = 0;
    while (moved < k) {
        if (n < 0) {
            if (!PrevPassing()) break;
        } else if (!ForwardOrStay()) {
            break;
        }
        ++moved;
    }
    return n > 0 ? moved : -moved;
}

// NextPassing that, finding nothing, leaves the cursor where it stood: a move down at the end
// of a filtered log keeps the last passing record in view.
bool TTelLog::ForwardOrStay() {
    const std::uint32_t block = viewBlock_;
    const std::uint16_t slot = viewSlot_;
    if (NextPassing()) return true;
    if (viewBlock_ != block) LoadViewBlock(block, false);
    viewSlot_ = viewIndex_.empty() ? 0 : std::min<std::uint16_t>(slot, viewIndex_.count - 1);
    viewRecValid_ = false;
    return false;
}

// Long moves skip the filter and jump within a block without visiting each record.
int TTelLog::SkipForward(int k) {
    int moved = 0;
    while (moved < k) {
        if (!viewIndex_.empty()) {
            const int take = std::min(viewIndex_.count - 1 - viewSlot_, k - moved);
            viewSlot_ = static_cast<std::uint16_t>(viewSlot_ + take);
            moved += take;
            viewRecValid_ = false;
            if (moved == k) break;
        }
        if (!StepForward()) break;
        ++moved;
    }
    return moved;
}

int TTelLog::SkipBack(int k) {
    int moved = 0;
    while (moved < k) {
        if (!viewIndex_.empty()) {
            const int take = std::min<int>(viewSlot_, k - moved);
            viewSlot_ = static_cast<std::uint16_t>(viewSlot_ - take);
            moved += take;
            viewRecValid_ = false;
            if (moved == k) break;
        }
        if (!StepBack()) break;
        ++moved;
    }
    return moved;
}

}  // namespace vadrix
