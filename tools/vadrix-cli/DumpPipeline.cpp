#include "DumpPipeline.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "JsonRecord.h"
#include "app/Context.h"
#include "common/TextIds.h"
#include "common/TextTable.h"
#include "interpret/LineGenerator.h"
#include "log/TelLog.h"

namespace vadrix::cli {
namespace {

// Quiet NaNs that no time stamp holds in practice: the previous-time cell of a block's start
// before the blocks ahead of it are known. A record stamped with exactly these bits is told
// apart by rendering it once more with the other one.
constexpr std::uint64_t kUnknownCell = 0x7FF80000'0D0D5E17ull;
constexpr std::uint64_t kOtherUnknownCell = 0x7FF80000'0D0D5E18ull;

bool SameBits(double v, std::uint64_t bits) {
    return std::bit_cast<std::uint64_t>(v) == bits;
}

// Eight bytes at a time: most lines are plain ASCII and need no conversion.
bool IsAscii(std::string_view s) {
    std::uint64_t high = 0;
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, s.data() + i, sizeof w);
        high |= w;
    }
    for (; i < s.size(); ++i) high |= static_cast<unsigned char>(s[i]);
    return (high & 0x8080808080808080ull) == 0;
}

void AppendLine(std::string& out, std::string_view cp1252) {
    if (IsAscii(cp1252))
        out += cp1252;
    else
        AppendCp1252AsUtf8(out, cp1252);
    out += '\n';
}

struct Block {
    std::vector<TTelegram> records;
    std::vector<std::int64_t> numbers;
    std::vector<std::uint8_t> dateLine;  // the day changes before the record
    // What a worker made of it.
    std::string text;
    int firstHeader = -1;  // the first record whose header line was made, -1: none
    std::size_t headerBegin = 0, headerEnd = 0;  // that record's output in text
    double cellAfter = 0;  // the previous-time cell after the block when it made a header
    bool done = false;

    void Clear() {
        records.clear();
        numbers.clear();
        dateLine.clear();
        text.clear();
        firstHeader = -1;
        done = false;
    }
};

class BlockRenderer {
  public:
    BlockRenderer(std::unique_ptr<RecordRenderer> r, bool dayFirst)
        : r_(std::move(r)), dayFirst_(dayFirst) {}

    // One record with its date line.
    double Record(const Block& b, std::size_t i, double cell, std::string& out) {
        if (b.dateLine[i] != 0) AppendLine(out, ShortDate(b.records[i].Time, dayFirst_));
        return r_->Render(b.records[i], b.numbers[i], cell, out);
    }

    // The whole block, starting from a cell not known yet.
    void Render(Block& b) {
        double cell = std::bit_cast<double>(kUnknownCell);
        for (std::size_t i = 0; i < b.records.size(); ++i) {
            const std::size_t begin = b.text.size();
            const double after = Record(b, i, cell, b.text);
            if (b.firstHeader < 0 && MadeHeader(b, i, after)) {
                b.firstHeader = static_cast<int>(i);
                b.headerBegin = begin;
                b.headerEnd = b.text.size();
            }
            cell = after;
        }
        b.cellAfter = cell;
    }

  private:
    // Whether the record, rendered after the unknown cell, made a header line: the cell then
    // holds the record's own time.
    bool MadeHeader(const Block& b, std::size_t i, double after) {
        if (!SameBits(b.records[i].Time, kUnknownCell)) return !SameBits(after, kUnknownCell);
        scratch_.clear();
        return !SameBits(Record(b, i, std::bit_cast<double>(kOtherUnknownCell), scratch_),
                         kOtherUnknownCell);
    }

    std::unique_ptr<RecordRenderer> r_;
    bool dayFirst_;
    std::string scratch_;
};

// Renders the blocks handed to it on worker threads.
class Workers {
  public:
    Workers(int count, const DumpPipelineOptions& o) {
        for (int i = 0; i < count; ++i)
            threads_.emplace_back([this, &o] {
                BlockRenderer r(o.makeRenderer(), o.interpret.dayFirst);
                Loop(r);
            });
    }
    ~Workers() {
        {
            std::lock_guard lock(m_);
            stop_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_) t.join();
    }

    void Submit(Block* b) {
        {
            std::lock_guard lock(m_);
            jobs_.push_back(b);
        }
        wake_.notify_one();
    }
    void WaitFor(const Block& b) {
        std::unique_lock lock(m_);
        done_.wait(lock, [&] { return b.done; });
    }

  private:
    void Loop(BlockRenderer& r) {
        for (;;) {
            Block* b = nullptr;
            {
                std::unique_lock lock(m_);
                wake_.wait(lock, [&] { return stop_ || !jobs_.empty(); });
                if (stop_) return;
                b = jobs_.front();
                jobs_.pop_front();
            }
            r.Render(*b);
            {
                std::lock_guard lock(m_);
                b->done = true;
            }
            done_.notify_all();
        }
    }

    std::mutex m_;
    std::condition_variable wake_, done_;
    std::deque<Block*> jobs_;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

// The passing records of the log in order, as the output run walks them.
class Reader {
  public:
    // Date lines only in the text frame.
    Reader(TTelLog& log, bool dateLines) : log_(log), dateLines_(dateLines) {
        log_.ViewToStart();
        const bool any = log_.Passes() || log_.NextPassing();
        count_ = any ? log_.RecordCount() : -1;
        base_ = std::int64_t{log_.Directory().OldestSeqNo} - 1;
        firstTime_ = lastTime_ = any ? log_.ViewRecord().Time : 0;
        finished_ = !any;
    }
    double FirstTime() const { return firstTime_; }
    std::int64_t Count() const { return count_; }

    // Up to n records; false when there are none left.
    bool Fill(Block& b, std::size_t n) {
        while (!finished_ && b.records.size() < n) {
            const TTelegram& rec = log_.ViewRecord();
            const std::int64_t rel = rec.SeqNo - base_;
            if (rel > count_) {
                finished_ = true;
                break;
            }
            b.records.push_back(rec);
            b.numbers.push_back(rel);
            b.dateLine.push_back(dateLines_ && std::floor(rec.Time) != std::floor(lastTime_) ? 1
                                                                                             : 0);
            lastTime_ = rec.Time;
            if (!log_.NextPassing()) finished_ = true;
        }
        return !b.records.empty();
    }

  private:
    TTelLog& log_;
    bool dateLines_;
    std::int64_t count_ = -1;
    std::int64_t base_ = 0;
    double firstTime_ = 0;
    double lastTime_ = 0;
    bool finished_ = true;
};

class Pipeline {
  public:
    Pipeline(Context& ctx, const DumpSink& out, const DumpPipelineOptions& o)
        : ctx_(ctx), out_(out), o_(o), fixer_(o.makeRenderer(), o.interpret.dayFirst) {}

    OutputResult Run() {
        const std::uint32_t readErrors = ctx_.log.ViewReadErrors();
        Reader reader(ctx_.log, o_.textFrame);
        if (o_.textFrame && !Heading(reader.FirstTime())) return OutputResult::kWriteFailed;
        const int count = o_.workers > 0
                              ? o_.workers
                              : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
        const std::size_t inFlightMax = 2 * static_cast<std::size_t>(count) + 2;
        std::deque<std::unique_ptr<Block>> inFlight;
        Workers workers(count, o_);
        for (;;) {
            while (inFlight.size() < inFlightMax) {
                std::unique_ptr<Block> b = Spare();
                if (!reader.Fill(*b, std::max<std::size_t>(1, o_.blockRecords))) break;
                workers.Submit(b.get());
                inFlight.push_back(std::move(b));
            }
            if (inFlight.empty()) break;
            Block& front = *inFlight.front();
            workers.WaitFor(front);
            if (!Write(front)) return OutputResult::kWriteFailed;
            if (Cancelled(front.numbers.back(), reader.Count())) return Cancel();
            spare_.push_back(std::move(inFlight.front()));
            inFlight.pop_front();
        }
        if (o_.textFrame && !Put(ctx_.Txt(txt::kOutputEnd))) return OutputResult::kWriteFailed;
        return ctx_.log.ViewReadErrors() == readErrors ? OutputResult::kDone
                                                       : OutputResult::kLogReadFailed;
    }

  private:
    std::unique_ptr<Block> Spare() {
        if (spare_.empty()) return std::make_unique<Block>();
        std::unique_ptr<Block> b = std::move(spare_.back());
        spare_.pop_back();
        b->Clear();
        return b;
    }

    // The block in order: its first header line rendered again with the cell of the records
    // before it.
    bool Write(const Block& b) {
        if (b.firstHeader < 0) return Bytes(b.text);
        fixed_.clear();
        fixer_.Record(b, static_cast<std::size_t>(b.firstHeader), cell_, fixed_);
        cell_ = b.cellAfter;
        const std::string_view text = b.text;
        return Bytes(text.substr(0, b.headerBegin)) && Bytes(fixed_) &&
               Bytes(text.substr(b.headerEnd));
    }

    bool Cancelled(std::int64_t rel, std::int64_t count) {
        if (!o_.progress) return false;
        ctx_.loop.ProcessPending();
        const auto percent = static_cast<int>(count > 0 ? rel * 100 / count : 100);
        return o_.progress(std::clamp(percent, 0, 100));
    }

    OutputResult Cancel() {
        if (o_.textFrame) Put(ctx_.Txt(txt::kOutputCancelled));
        return OutputResult::kCancelled;
    }

    bool Heading(double firstTime) {
        const bool csv = o_.interpret.format == DisplayFormat::afCsv;
        return Put(csv ? std::string(ctx_.Txt(txt::kExportHeading)) : PageHeading(firstTime)) &&
               Put("");
    }

    // The heading of the first page, as the text output writes it.
    std::string PageHeading(double firstTime) const {
        std::string line = o_.headingName;
        if (line.size() < 32) line.resize(32, ' ');
        line += ctx_.Txt(txt::kPageDate);
        line += ShortDate(firstTime, o_.interpret.dayFirst);
        line += ' ';
        line += ctx_.Txt(txt::kPageNumber);
        line += "  1";
        const std::string desc = DescriptionLine(ctx_, o_.interpret);
        if (desc.size() < 60) line.append(60 - desc.size(), ' ');
        return line + desc;
    }

    bool Put(std::string_view cp1252) {
        std::string line;
        AppendLine(line, cp1252);
        return Bytes(line);
    }
    bool Bytes(std::string_view s) { return s.empty() || out_(s); }

    Context& ctx_;
    const DumpSink& out_;
    const DumpPipelineOptions& o_;
    BlockRenderer fixer_;
    double cell_ = 0;  // the previous-time cell before the next block, as the output starts
    std::string fixed_;
    std::vector<std::unique_ptr<Block>> spare_;
};

class TextRenderer : public RecordRenderer {
  public:
    TextRenderer(const Context& ctx, const Descriptions* desc, const InterpretSettings& s)
        : gen_(ctx, desc), s_(s), csv_(s.format == DisplayFormat::afCsv) {}

    double Render(const TTelegram& rec, std::int64_t no, double previousTime,
                  std::string& out) override {
        gen_.Prepare(s_, rec, previousTime, no);
        // The lines are made straight into the block's text; only a record whose lines are not
        // all plain ASCII is taken out again to be converted (line ends stay as they are).
        const std::size_t start = out.size();
        while (gen_.NextLine(out)) out += '\n';
        const bool wrote = out.size() != start;
        if (wrote && !IsAscii(std::string_view(out).substr(start))) {
            scratch_.assign(out, start);
            out.resize(start);
            AppendCp1252AsUtf8(out, scratch_);
        }
        if (wrote && !csv_) out += '\n';
        return gen_.PreviousTime();
    }

  private:
    LineGenerator gen_;
    InterpretSettings s_;
    bool csv_;
    std::string scratch_;
};

class JsonRenderer : public RecordRenderer {
  public:
    JsonRenderer(const Context& ctx, const Descriptions* desc, const InterpretSettings& s)
        : gen_(ctx, desc), s_(s), json_(ctx) {}

    double Render(const TTelegram& rec, std::int64_t no, double previousTime,
                  std::string& out) override {
        gen_.Prepare(s_, rec, previousTime, no);
        lines_.clear();
        for (std::string line = gen_.NextLine(); !line.empty(); line = gen_.NextLine())
            lines_.push_back(std::move(line));
        json_.Append(out, rec, no, lines_);
        out += '\n';
        return gen_.PreviousTime();
    }

  private:
    LineGenerator gen_;
    InterpretSettings s_;
    JsonRecordWriter json_;
    std::vector<std::string> lines_;
};

}  // namespace

OutputResult RunDumpPipeline(Context& ctx, const DumpSink& out,
                             const DumpPipelineOptions& options) {
    TTelLog& log = ctx.log;
    const bool viewWasOpen = log.ViewOpen();
    if (!viewWasOpen && !log.OpenView()) return OutputResult::kLogUnreadable;
    const OutputResult r = Pipeline(ctx, out, options).Run();
    if (!viewWasOpen) log.CloseView();
    return r;
}

std::unique_ptr<RecordRenderer> MakeTextRenderer(const Context& ctx, const Descriptions* desc,
                                                 const InterpretSettings& s) {
    return std::make_unique<TextRenderer>(ctx, desc, s);
}

std::unique_ptr<RecordRenderer> MakeJsonRenderer(const Context& ctx, const Descriptions* desc,
                                                 const InterpretSettings& s) {
    return std::make_unique<JsonRenderer>(ctx, desc, s);
}

}  // namespace vadrix::cli
