#include "log/TelLog.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <system_error>

#include "app/Context.h"
#include "app/DataFiles.h"
#include "app/TimeBase.h"
#include "common/FileWrite.h"
#include "common/TextIds.h"

namespace vadrix {

struct TTelLog::Probe {
    enum class State { kMissing, kValid, kNotALog, kUnreadable };
    State state = State::kMissing;
    TFileAccess file;
    TLogHeader header{};
    TLogDirectory dir{};
};

namespace {

constexpr double kHourOfDay = 1.0 / 24.0;

template <StoredRecord T>
bool ReadWhole(const TFileAccess& f, std::uint64_t offset, T& r) {
    return f.ReadAt(offset, BytesOf(r)) == sizeof(T);
}

template <StoredRecord T>
bool WriteWhole(const TFileAccess& f, std::uint64_t offset, const T& r) {
    return f.WriteAt(offset, BytesOf(r));
}

// Block numbers that a reader follows must lie in the ring, and the ring must be one that a
// 32-bit file length can describe.
bool SoundDirectory(const TLogDirectory& d) {
    return d.DirectorySize == kLogDirectorySize && d.BlockCount >= 1 &&
           d.BlockCount <= TTelLog::kMaxBlocks && d.OldestBlock < d.BlockCount &&
           d.CurrentBlock < d.BlockCount;
}

double LocalFractionOfDay(const LocalDateTime& t) {
    const long long ms = ((t.hour * 60LL + t.minute) * 60 + t.second) * 1000 + t.millisecond;
    return static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

double Today(Clock& clock) {
    const LocalDateTime now = clock.Now();
    return DateSerial(now.year, now.month, now.day);
}

}  // namespace

TTelLog::TTelLog(Context& ctx, Role role) : ctx_(ctx), role_(role) {
    dir_.BlockCount = NewBlockCount();
}

TTelLog::~TTelLog() {
    if (file_.IsOpen()) Close();
}

// ---------------------------------------------------------------------------------------
// Storing

bool TTelLog::Store(TTelegram& rec) {
    if (readOnly_) return false;
    rec.Time = StampNow();
    rec.SeqNo = static_cast<std::int32_t>(dir_.NewestSeqNo + 1);
    if (ctx_.general.LogFilter.FilterOn != 0 && filterTest_ &&
        !filterTest_(ctx_.general.LogFilter, rec))
        return false;
    Count(rec);
    dir_.NewestSeqNo += 1;
    dir_.NewestTime = rec.Time;
    Place(rec);
    if (PassesDisplayFilter(rec)) queue_.Push(rec);
    return true;
}

void TTelLog::AppendRecord(const TTelegram& rec) {
    if (readOnly_) return;
    TTelegram copy = rec;
    dir_.NewestSeqNo = static_cast<std::uint32_t>(copy.SeqNo);
    dir_.NewestTime = copy.Time;
    Place(copy);
}

// Today's date and the time of day of the time base. Around midnight the two can disagree
// for a moment (the time base runs on the millisecond counter); the date then follows the
// time base, so that no stamp jumps a day.
double TTelLog::StampNow() {
    const LocalDateTime now = ctx_.clock.Now();
    double date = DateSerial(now.year, now.month, now.day);
    const double tod = TimeOfDay(ctx_);
    const double clockTod = LocalFractionOfDay(now);
    if (clockTod > 1 - kHourOfDay && tod < kHourOfDay) date += 1;
    if (clockTod < kHourOfDay && tod > 1 - kHourOfDay) date -= 1;
    return date + tod;
}

void TTelLog::Count(const TTelegram& rec) {
    if (rec.Source < source::kE1 || rec.Source > source::kS2) return;
    const int telegrams = 2 * (rec.Source - 1);
    const bool isTelegram = rec.Kind != kind::kEvent && rec.Status != status::kTransferMarked &&
                            rec.Status != status::kRtsSwitched && rec.Status != status::kModemLines;
    if (isTelegram) {
        ++counters_[static_cast<std::size_t>(telegrams)];
        Notify(telegrams);
    }
    if (rec.Status < status::kGood) {
        ++counters_[static_cast<std::size_t>(telegrams + 1)];
        Notify(telegrams + 1);
    }
}

void TTelLog::Notify(int counter) {
    if (counterHook_)
        counterHook_(counter);
    else
        ctx_.ui.SetIndicator(Indicator::kStatusTable, counter);
}

std::uint32_t TTelLog::Counter(int k) const {
    return k >= 0 && k < kCounters ? counters_[static_cast<std::size_t>(k)] : 0;
}

void TTelLog::ClearCounters() {
    counters_.fill(0);
    Notify(-1);
}

bool TTelLog::DisplayFilterInForce() const {
    return ctx_.general.DisplayFilter.FilterOn != 0 && filterTest_;
}

bool TTelLog::PassesDisplayFilter(const TTelegram& rec) const {
    if (rec.RecLen == 0) return false;
    if (!DisplayFilterInForce()) return true;
    return filterTest_(ctx_.general.DisplayFilter, rec);
}

// Puts the record behind the last one of the current block, opening the next block when it
// would not end within the block's first 32767 bytes.
void TTelLog::Place(TTelegram& rec) {
    rec.FrameLen = std::clamp<std::int16_t>(rec.FrameLen, 0, kMaxStoredFrame);
    const std::uint16_t len = RecordLength(rec.FrameLen);
    if (!RecordFits(blockEnd_, len)) NextBlock();
    const bool first = lastLen_ == 0;
    if (first) {
        TBlockHeader h = ReadBlockHeader(block_);
        h.FirstSeqNo = static_cast<std::uint32_t>(rec.SeqNo);
        h.FirstTime = rec.Time;
        WriteBlockHeader(block_, h);
        if (dir_.CurrentBlock == dir_.OldestBlock) {
            dir_.OldestSeqNo = static_cast<std::uint32_t>(rec.SeqNo);
            dir_.OldestTime = rec.Time;
        }
    }
    rec.RecLen = len;
    rec.PrevLen = lastLen_;
    std::memcpy(block_.data() + blockEnd_, &rec, len);
    blockEnd_ += len;
    lastLen_ = len;
    blockDirty_ = dirDirty_ = true;
}

void TTelLog::NextBlock() {
    WriteCurrentBlock();
    const TBlockHeader full = ReadBlockHeader(block_);
    std::uint32_t next = (dir_.CurrentBlock + 1) % dir_.BlockCount;
    if (next == dir_.OldestBlock) {
        if (role_ == Role::kWriter && dir_.BlockCount < kMaxBlocks) {
            // A written selection is never cut: its ring grows instead.
            next = dir_.BlockCount++;
        } else {
            dir_.OldestBlock = (dir_.OldestBlock + 1) % dir_.BlockCount;
            TakeOldestFrom(next);
            if (view_.IsOpen() && viewBlock_ == next) viewStale_ = true;
        }
    }
    // The file learns at once that the block about to be reused is no longer in the ring
    // (the directory up to the full block's last record): else the directory of the last
    // flush could name as its oldest a block written over before the next flush, and a
    // process that ended then would leave records that no longer follow one another. The
    // switch itself reaches the file with the next flush, after the new block's records.
    TLogDirectory known = dir_;
    if (lastLen_ != 0) {
        known.NewestSeqNo = full.LastSeqNo;
        known.NewestTime = full.LastTime;
    }
    if (!WriteWhole(file_, kLogHeaderSize, known)) SetWriteError();
    dir_.CurrentBlock = next;
    ResetBlock();
    dirDirty_ = true;
}

// The block about to be overwritten held the oldest records: the oldest record still in the
// log is the one after its last.
void TTelLog::TakeOldestFrom(std::uint32_t overwritten) {
    TBlockHeader h;
    if (!ReadWhole(file_, LogBlockOffset(overwritten), h)) return;
    // A damaged header must not move the oldest number outside the numbers in use.
    if (h.LastSeqNo < dir_.OldestSeqNo || h.LastSeqNo >= dir_.NewestSeqNo) return;
    dir_.OldestSeqNo = h.LastSeqNo + 1;
    dir_.OldestTime = h.LastTime;
}

void TTelLog::SealBlockHeader() {
    TBlockHeader h = ReadBlockHeader(block_);
    if (lastLen_ == 0) {
        h = TBlockHeader{};
    } else {
        const std::uint32_t last = blockEnd_ - lastLen_;
        h.LastSeqNo = ReadLe<std::uint32_t>(block_, last + offsetof(TTelegram, SeqNo));
        h.LastTime = ReadLe<double>(block_, last + offsetof(TTelegram, Time));
        h.LastRecordOffset = last - kBlockRecordsStart;
        h.RecordCount = h.LastSeqNo - h.FirstSeqNo + 1;
    }
    WriteBlockHeader(block_, h);
}

bool TTelLog::WriteCurrentBlock() {
    SealBlockHeader();
    if (!file_.WriteAt(LogBlockOffset(dir_.CurrentBlock), block_)) {
        SetWriteError();
        return false;
    }
    blockDirty_ = false;
    return true;
}

bool TTelLog::WriteDirectory() {
    if (!WriteWhole(file_, kLogHeaderSize, dir_)) {
        SetWriteError();
        return false;
    }
    dirDirty_ = false;
    return true;
}

void TTelLog::SetWriteError() {
    ctx_.run.LogErrorFlag = true;
}

void TTelLog::ResetBlock() {
    block_.fill(0);
    blockEnd_ = kBlockRecordsStart;
    lastLen_ = 0;
}

std::uint32_t TTelLog::RecordCount() const {
    if (dir_.NewestSeqNo == 0 || dir_.NewestSeqNo < dir_.OldestSeqNo) return 0;
    return dir_.NewestSeqNo - dir_.OldestSeqNo + 1;
}

std::uint32_t TTelLog::NewBlockCount() const {
    if (ringBlocks_ != 0) return std::min(ringBlocks_, kMaxBlocks);
    const std::int64_t size = std::max<std::int32_t>(ctx_.general.LogSize, 0);
    const std::int64_t blocks = (size * kLogSizeUnit + kLogBlockSize) / kLogBlockSize;
    return static_cast<std::uint32_t>(std::min<std::int64_t>(blocks, kMaxBlocks));
}

// ---------------------------------------------------------------------------------------
// Durability

void TTelLog::Flush(std::uint32_t nowMs) {
    if (!blockDirty_ && !dirDirty_) return;
    if (nowMs - lastFlushMs_ < kFlushIntervalMs) return;
    lastFlushMs_ = nowMs;
    FlushNow();
}

bool TTelLog::FlushNow() {
    if (readOnly_ || !file_.IsOpen() || (!blockDirty_ && !dirDirty_)) return true;
    bool ok = true;
    if (blockDirty_) ok = WriteCurrentBlock() && ok;
    if (dirDirty_) ok = WriteDirectory() && ok;
    if (!file_.Sync()) {
        SetWriteError();
        ok = false;
    }
    return ok;
}

// ---------------------------------------------------------------------------------------
// Files

bool TTelLog::Create() {
    return CreateIn(role_ == Role::kLive ? ctx_.run.LogFilePath : path_);
}

bool TTelLog::CreateIn(const std::filesystem::path& file) {
    CloseView();
    if (file_.IsOpen()) Finish();  // the log in use keeps every record it was given
    path_ = file;
    header_ = TLogHeader{};
    header_.General = GeneralParamsForLogHeader(ctx_.general);
    header_.Channel1 = ctx_.emse1.P;
    header_.Channel2 = ctx_.emse2.P;
    dir_ = TLogDirectory{};
    dir_.BlockCount = NewBlockCount();
    ResetBlock();
    blockDirty_ = dirDirty_ = false;
    lastFlushMs_ = ctx_.clock.MsCounter();
    if (!file_.Open(file, TFileAccess::Mode::kCreateTruncate) || !WriteWhole(file_, 0, header_) ||
        !WriteWhole(file_, kLogHeaderSize, dir_) || !file_.Sync()) {
        SetWriteError();
        return false;
    }
    return true;
}

TTelLog::Probe TTelLog::ProbeFile(const std::filesystem::path& file) const {
    Probe p;
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return p;
    if (!p.file.Open(file, TFileAccess::Mode::kReadWrite)) {
        p.state = Probe::State::kUnreadable;
        return p;
    }
    if (p.file.Size() == 0) return p;  // nothing in it to keep
    const bool whole = ReadWhole(p.file, 0, p.header) && ReadWhole(p.file, kLogHeaderSize, p.dir);
    p.state = whole && p.header.Valid() && SoundDirectory(p.dir) ? Probe::State::kValid
                                                                 : Probe::State::kNotALog;
    return p;
}

bool TTelLog::Open(const std::filesystem::path& file, bool checkAge, OpenIntent intent) {
    FlushNow();  // the file may be the one in use: let the probe see all of it
    Probe p = ProbeFile(file);
    const bool bad = p.state == Probe::State::kNotALog || p.state == Probe::State::kUnreadable;
    if (bad && (intent == OpenIntent::kChosenFile || p.state == Probe::State::kUnreadable))
        return Refuse(file);
    if (bad) {
        p.file.Close();
        if (!KeepAsBad(file)) return Refuse(file);
    }
    const bool tooOld = p.state == Probe::State::kValid && checkAge &&
                        std::fabs(Today(ctx_.clock) - p.dir.OldestTime) > 1.0;
    Close();
    bool ok;
    if (p.state == Probe::State::kValid && !tooOld) {
        ok = TakeOver(std::move(p.file), p.header, p.dir);
        path_ = file;
    } else {
        p.file.Close();
        ok = CreateIn(file);
    }
    if (role_ == Role::kLive) {
        ctx_.run.LogFilePath = file;
        ctx_.ui.SetIndicator(Indicator::kStatusBar, 0);
        Notify(-1);
    }
    return ok;
}

bool TTelLog::OpenForReading(const std::filesystem::path& file) {
    Close();
    TFileAccess f;
    TLogHeader header;
    TLogDirectory dir;
    const bool readable = f.Open(file, TFileAccess::Mode::kReadOnly) && f.Size() > 0 &&
                          ReadWhole(f, 0, header) && ReadWhole(f, kLogHeaderSize, dir) &&
                          header.Valid() && SoundDirectory(dir);
    if (!readable) {
        ShowFileError(txt::kLogReadError, file);
        return false;
    }
    readOnly_ = true;
    TakeOver(std::move(f), header, dir);
    path_ = file;
    return true;
}

// A file that is not a log is left as it is; the log in use stays (or, when the caller had
// closed it already, is opened again).
bool TTelLog::Refuse(const std::filesystem::path& file) {
    ShowFileError(txt::kLogReadError, file);
    const std::filesystem::path previous = ctx_.run.LogFilePath;
    if (role_ == Role::kLive && !file_.IsOpen() && !previous.empty() && previous != file)
        Open(previous, false, OpenIntent::kChosenFile);
    return false;
}

bool TTelLog::KeepAsBad(const std::filesystem::path& file) {
    std::filesystem::path bad = file;
    bad += ".bad";
    std::error_code ec;
    std::filesystem::rename(file, bad, ec);
    return !ec;
}

void TTelLog::ShowFileError(int text, const std::filesystem::path& file) {
    std::string message(ctx_.Txt(text));
    message += "\r\n";
    message += file.string();
    ctx_.ui.ShowMessage(message, MessageKind::kError, MessageButtons::kOk);
}

bool TTelLog::TakeOver(TFileAccess file, const TLogHeader& header, const TLogDirectory& dir) {
    file_ = std::move(file);
    header_ = header;
    dir_ = dir;
    TakeOverGeneralParams(ctx_.general, BytesOf(header.General));
    TakeOverChannelBlock(ctx_.emse1.P, BytesOf(header.Channel1));
    TakeOverChannelBlock(ctx_.emse2.P, BytesOf(header.Channel2));
    LoadCurrentBlock();
    blockDirty_ = dirDirty_ = false;
    lastFlushMs_ = ctx_.clock.MsCounter();
    return true;
}

// The current block continues after its last sound record. What lies behind it is cleared,
// so that a damaged tail can never be read as records once new ones are written in front.
void TTelLog::LoadCurrentBlock() {
    ResetBlock();
    const std::uint64_t offset = LogBlockOffset(dir_.CurrentBlock);
    const std::size_t n = file_.ReadAt(offset, block_);
    if (n < kLogBlockSize) {
        std::fill(block_.begin() + static_cast<std::ptrdiff_t>(n), block_.end(), 0);
        const bool neverWritten = n == 0 && file_.Size() <= offset && dir_.NewestSeqNo == 0;
        if (!neverWritten) ShowFileError(txt::kLogReadError, path_);
    }
    TBlockIndex index;
    IndexBlock(block_, index, static_cast<std::uint32_t>(n));
    if (index.empty()) {
        ResetBlock();
        return;
    }
    const std::uint32_t last = index.Last();
    lastLen_ = RecLenAt(block_, last);
    blockEnd_ = last + lastLen_;
    std::fill(block_.begin() + blockEnd_, block_.end(), 0);

    TBlockHeader h = ReadBlockHeader(block_);
    h.FirstSeqNo = ReadLe<std::uint32_t>(block_, kBlockRecordsStart + offsetof(TTelegram, SeqNo));
    h.FirstTime = ReadLe<double>(block_, kBlockRecordsStart + offsetof(TTelegram, Time));
    WriteBlockHeader(block_, h);

    // A directory written before the block's last records must not hand their numbers out
    // again.
    const auto lastSeq = ReadLe<std::uint32_t>(block_, last + offsetof(TTelegram, SeqNo));
    if (lastSeq > dir_.NewestSeqNo) {
        dir_.NewestSeqNo = lastSeq;
        dir_.NewestTime = ReadLe<double>(block_, last + offsetof(TTelegram, Time));
        if (dir_.CurrentBlock == dir_.OldestBlock && dir_.OldestSeqNo == 0) {
            dir_.OldestSeqNo = h.FirstSeqNo;
            dir_.OldestTime = h.FirstTime;
        }
    }
}

void TTelLog::Close() {
    CloseView();
    if (file_.IsOpen()) Finish();
}

bool TTelLog::Finish() {
    if (!file_.IsOpen()) return false;
    if (readOnly_) {
        file_.Close();
        readOnly_ = false;
        return true;
    }
    bool ok = WriteCurrentBlock();
    const std::uint32_t n = dir_.BlockCount;
    dir_.BlocksInUse = (dir_.CurrentBlock + n - dir_.OldestBlock) % n + 1;
    header_.FileLength = static_cast<std::uint32_t>(LogBlockOffset(dir_.BlocksInUse));
    ok = WriteWhole(file_, 0, header_) && ok;
    ok = WriteDirectory() && ok;
    ok = file_.Sync() && ok;
    file_.Close();
    if (!ok) SetWriteError();
    return ok;
}

bool TTelLog::ClearAll() {
    CloseView();
    const bool ok = Create();
    ClearQueue();
    OpenView();
    return ok;
}

bool TTelLog::SaveCopyAs(const std::filesystem::path& target) {
    const std::filesystem::path source = path_;
    Close();
    bool ok = true;
    std::error_code ec;
    if (!SameFile(source, target) && std::filesystem::exists(source, ec)) {
        ctx_.ui.SetWaitCursor(true);
        ok = CopyWholeFile(source, target);
        ctx_.ui.SetWaitCursor(false);
        if (!ok) ShowFileError(txt::kLogWriteError, target);
    }
    Open(source, false, OpenIntent::kChosenFile);
    OpenView();
    return ok;
}

}  // namespace vadrix
