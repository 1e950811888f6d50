#pragma once
// The telegram log: the live ring log file with its current block, the view cursor on a
// second read-only handle, the online display queue and the statistics counters.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>

#include "common/FilterRecord.h"
#include "log/LogBlock.h"
#include "log/LogFileAccess.h"
#include "log/LogFileLayout.h"
#include "log/OnlineQueue.h"
#include "log/Telegram.h"

namespace vadrix {

struct Context;

// Who asked for a log file to be opened. Only the program's own live log file may be
// replaced when it is not a valid log, and even then the old file is kept as "<name>.bad";
// a file the user chose is never touched when it is not a log.
enum class OpenIntent { kOwnLog, kChosenFile };

class TTelLog {
  public:
    // A live log takes its file name from the run state, stores, counts and queues; a writer
    // writes a new file record by record (a selection of another log) and grows its ring
    // rather than overwrite what it wrote.
    enum class Role { kLive, kWriter };

    // The filter test applied with the display or the log filter record; the store itself
    // looks at the filters' enable bytes. Without a test every record passes.
    using FilterTest = std::function<bool(const TFilterRecord&, const TTelegram&)>;
    // Told the counter index (0..7) after each increase, or -1 when all counters changed.
    using CounterHook = std::function<void(int counter)>;

    static constexpr int kCounters = 8;
    static constexpr std::uint32_t kFlushIntervalMs = 1000;
    static constexpr int kFastMove = 5000;  // moves this long skip the display filter
    // The file length in use is a 32-bit word: no ring may be longer than that.
    static constexpr std::uint32_t kMaxBlocks = (0xFFFFFFFFu - kLogBlocksStart) / kLogBlockSize;

    explicit TTelLog(Context& ctx, Role role = Role::kLive);
    ~TTelLog();
    TTelLog(const TTelLog&) = delete;
    TTelLog& operator=(const TTelLog&) = delete;

    // --- Storing --------------------------------------------------------------------------
    // The single entry for new records. The caller fills every field except PrevLen, RecLen,
    // Time and SeqNo, which are set here (also in rec). False when the log filter rejected
    // the record: it then uses up no sequence number.
    bool Store(TTelegram& rec);
    // Writer: appends a record as it is, keeping its Time and SeqNo.
    void AppendRecord(const TTelegram& rec);

    // --- Files ----------------------------------------------------------------------------
    // Begins a new, empty log in this instance's file (the live log: LogFilePath), truncating
    // it. A failure sets LogErrorFlag; records are then kept in memory only.
    bool Create();
    // Takes an existing file as the live log (see OpenIntent). A missing or empty file
    // becomes a new log. With checkAge a log whose oldest record is more than a day from
    // today is begun anew. False when the file was refused; the log in use then stays.
    bool Open(const std::filesystem::path& file, bool checkAge,
              OpenIntent intent = OpenIntent::kChosenFile);
    // Takes an existing log for reading only: nothing of it is ever written, not even on
    // closing; storing is refused. False (and a message) when it is not a readable log.
    bool OpenForReading(const std::filesystem::path& file);
    bool ReadOnly() const { return readOnly_; }
    // Closes the view and finishes the log file.
    void Close();
    // Writes the current block, the directory (with the blocks in use) and the header (with
    // the file length in use), then closes the file.
    bool Finish();
    // The delete-log command after its confirmation: a new, empty log in the same file, an
    // empty online queue and the view on its end.
    bool ClearAll();
    // The save-as command: closes the log, copies the file whole to target and opens the log
    // again with the view on its end. False (and a message) when the copy failed.
    bool SaveCopyAs(const std::filesystem::path& target);
    // Called by the main timer: writes the current block and the directory when they changed
    // and a second has passed since the last time, and syncs them to the disk, so that an
    // ended process loses at most about a second of records.
    void Flush(std::uint32_t nowMs);
    // Writes now whatever changed (used before the file is handed on, and by Flush).
    bool FlushNow();
    // A writer's target file; the live log's file is LogFilePath.
    void AssignFile(const std::filesystem::path& file) { path_ = file; }
    bool IsOpen() const { return file_.IsOpen(); }
    const std::filesystem::path& FilePath() const { return path_; }

    // --- Directory ------------------------------------------------------------------------
    const TLogDirectory& Directory() const { return dir_; }
    const TLogHeader& Header() const { return header_; }
    // newest SeqNo - oldest SeqNo + 1, and 0 for an empty log.
    std::uint32_t RecordCount() const;
    // Fixes the number of ring blocks of the next Create (for tests and tools); 0 takes it
    // from the log size of the general parameters.
    void SetRingBlocks(std::uint32_t n) { ringBlocks_ = n; }

    // --- View cursor ----------------------------------------------------------------------
    bool OpenView();
    void CloseView();
    bool ViewOpen() const { return view_.IsOpen(); }
    // Loads block b into the view (the live buffer for the block being filled) and places
    // the cursor on its last record (atEnd) or its first.
    void LoadViewBlock(std::uint32_t b, bool atEnd);
    bool StepBack();
    bool StepForward();
    bool Passes();
    bool NextPassing();
    bool PrevPassing();
    // Moves n records (backwards for n < 0); returns how many it moved.
    int Move(int n);
    // The newest record: the current block at its end, which becomes the end block.
    void ViewToEnd();
    // The oldest record: the oldest block at its start.
    void ViewToStart();
    // The record under the cursor; RecLen 0 on an empty place.
    const TTelegram& ViewRecord();
    // A place of the cursor to come back to, so that a redraw starts where the last began.
    struct ViewMark {
        std::uint32_t block = 0;
        std::uint16_t slot = 0;
    };
    ViewMark MarkView() const { return {viewBlock_, viewSlot_}; }
    void ReturnToMark(const ViewMark& mark);
    std::uint32_t ViewBlock() const { return viewBlock_; }
    std::uint32_t EndBlock() const { return endBlock_; }
    // Set when the store overwrote the block the view stands in; the view then goes to the
    // end of the log and clears the mark.
    bool ViewStale() const { return viewStale_; }
    void ClearViewStale() { viewStale_ = false; }
    // Blocks the view could not read whole, counted over the log's life: a walk compares
    // the count before and after to know whether it saw every record.
    std::uint32_t ViewReadErrors() const { return viewReadErrors_; }

    // --- Online queue and counters --------------------------------------------------------
    TOnlineQueue& Queue() { return queue_; }
    void ClearQueue() { queue_.Clear(); }
    std::uint32_t Counter(int k) const;
    std::uint32_t TelegramCount(int source) const { return Counter(2 * (source - 1)); }
    std::uint32_t ErrorCount(int source) const { return Counter(2 * (source - 1) + 1); }
    void ClearCounters();

    // --- Seams ----------------------------------------------------------------------------
    void SetFilterTest(FilterTest test) { filterTest_ = std::move(test); }
    void SetCounterHook(CounterHook hook) { counterHook_ = std::move(hook); }
    // The display filter: false for an empty record, true while the filter is off. The one
    // test of the display filter; PassesDisplayFilter(ctx, rec) of the filters asks it.
    bool PassesDisplayFilter(const TTelegram& rec) const;
    // The display filter is on and has conditions.
    bool DisplayFilterInForce() const;

  private:
    struct Probe;
    Probe ProbeFile(const std::filesystem::path& file) const;
    bool Refuse(const std::filesystem::path& file);
    bool KeepAsBad(const std::filesystem::path& file);
    bool CreateIn(const std::filesystem::path& file);
    bool TakeOver(TFileAccess file, const TLogHeader& header, const TLogDirectory& dir);
    void LoadCurrentBlock();
    void ResetBlock();
    void ShowFileError(int text, const std::filesystem::path& file);
    void ReportViewReadError();
    void NoteSkippedBlocks(std::uint32_t wanted, std::uint32_t loaded);
    std::uint32_t BlocksInFile() const;
    bool AbsentBlock(std::uint32_t b, std::uint32_t inFile) const;
    std::uint32_t SkipAbsentForward(std::uint32_t b) const;
    std::uint32_t SkipAbsentBack(std::uint32_t b) const;
    void SetWriteError();

    double StampNow();
    void Count(const TTelegram& rec);
    void Notify(int counter);
    void Place(TTelegram& rec);
    void NextBlock();
    void TakeOldestFrom(std::uint32_t overwritten);
    void SealBlockHeader();
    bool WriteCurrentBlock();
    bool WriteDirectory();
    std::uint32_t NewBlockCount() const;

    std::uint32_t ReadViewBlock(std::uint32_t b);
    int SkipForward(int k);
    bool ForwardOrStay();
    int SkipBack(int k);

    Context& ctx_;
    Role role_;
    std::filesystem::path path_;
    std::uint32_t ringBlocks_ = 0;
    FilterTest filterTest_;
    CounterHook counterHook_;

    TFileAccess file_;
    TLogHeader header_{};
    TLogDirectory dir_{};
    BlockBuffer block_{};
    std::uint32_t blockEnd_ = kBlockRecordsStart;  // where the next record goes
    std::uint16_t lastLen_ = 0;                    // length of the last record, 0: empty
    bool readOnly_ = false;
    bool blockDirty_ = false;
    bool dirDirty_ = false;
    std::uint32_t lastFlushMs_ = 0;

    TFileAccess view_;
    BlockBuffer viewBuf_{};
    TBlockIndex viewIndex_{};
    std::uint32_t viewBlock_ = 0;
    std::uint32_t endBlock_ = 0;
    std::uint16_t viewSlot_ = 0;
    bool viewStale_ = false;
    bool viewReported_ = false;  // a read error of this view was already reported
    std::uint32_t viewReadErrors_ = 0;
    std::uint32_t viewBlocksAtOpen_ = 0;  // the blocks the file held when the view opened
    TTelegram viewRec_{};
    bool viewRecValid_ = false;

    TOnlineQueue queue_;
    std::array<std::uint32_t, kCounters> counters_{};
};

}  // namespace vadrix
