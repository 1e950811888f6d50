#include "output/Output.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <system_error>

#include "app/Context.h"
#include "app/DataFiles.h"
#include "app/TimeBase.h"
#include "common/FileWrite.h"
#include "common/TextIds.h"
#include "filters/Filter.h"
#include "interpret/InterpretText.h"
#include "log/TelLog.h"
#include "output/PageCanvas.h"

namespace vadrix {
namespace {

constexpr std::int64_t kProgressStep = 100;

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::filesystem::path Absolute(const std::filesystem::path& p) {
    std::error_code ec;
    const std::filesystem::path a = std::filesystem::absolute(p, ec);
    return (ec ? p : a).lexically_normal();
}

// Where the lines and records of a run go.
class Target {
  public:
    virtual ~Target() = default;
    virtual bool Open() = 0;
    // False when the line could not be written.
    virtual bool Line(std::string_view text) = 0;
    virtual bool Record(const TTelegram&) { return true; }
    virtual bool WritesLines() const { return true; }
    virtual bool IsPrinter() const { return false; }
    // The printer begins a new sheet for every page after the first.
    virtual void BeginPage(int) {}
    virtual bool PageFull() const { return false; }
    virtual void Cancel() {}
    // Ends the output; keep tells whether what was written is to stay. A file takes the
    // target's place only then, so a failed output leaves the old file as it was.
    virtual bool Close(bool keep) = 0;
};

// Text lines in UTF-8, one line end each, into a file or an open stream.
class TextTarget : public Target {
  public:
    explicit TextTarget(std::filesystem::path file) : file_(std::move(file)) {}
    explicit TextTarget(std::FILE* open) : file_({}), stream_(open) {}
    ~TextTarget() override { Close(false); }

    bool Open() override { return stream_ != nullptr || file_.Begin(); }
    bool Line(std::string_view text) override {
        const bool ascii = std::all_of(text.begin(), text.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (ascii) return Put(text);
        return Put(Cp1252ToUtf8(text));
    }
    bool Close(bool keep) override {
        if (stream_ != nullptr) {
            const bool ok = std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
            stream_ = nullptr;
            return ok;
        }
        if (keep) return file_.Commit();
        file_.Discard();
        return true;
    }

  private:
    bool Put(std::string_view s) {
        if (stream_ == nullptr) return file_.Write(s) && file_.Write(std::string_view("\n"));
        if (std::fwrite(s.data(), 1, s.size(), stream_) != s.size()) return false;
        return std::fputc('\n', stream_) != EOF;
    }

    FileReplacement file_;
    std::FILE* stream_ = nullptr;
};

// The printer: lines down the page from the top margin, a new page below the bottom limit.
class PrinterTarget : public Target {
  public:
    explicit PrinterTarget(PageCanvas& canvas) : canvas_(canvas) {}

    bool Open() override {
        if (!canvas_.BeginJob()) return false;
        left_ = canvas_.PixelsPerInchX() / 3;
        top_ = canvas_.PixelsPerInchY() / 2;
        bottom_ = canvas_.PageHeight() - top_;
        step_ = std::max(1, canvas_.TextHeight("X"));
        y_ = top_;
        return true;
    }
    bool Line(std::string_view text) override {
        if (aborted_) return true;
        canvas_.DrawText(left_, y_, text);
        y_ += step_;
        return true;
    }
    bool IsPrinter() const override { return true; }
    void BeginPage(int page) override {
        if (page > 1 && !aborted_) canvas_.NewPage();
        y_ = top_;
    }
    // A page shorter than its margins still takes one line per page.
    bool PageFull() const override { return y_ > bottom_ && y_ > top_; }
    void Cancel() override {
        if (!aborted_) canvas_.AbortJob();
        aborted_ = true;
    }
    bool Close(bool) override { return aborted_ || canvas_.EndJob(); }

  private:
    PageCanvas& canvas_;
    int left_ = 0, top_ = 0, bottom_ = 0, step_ = 1, y_ = 0;
    bool aborted_ = false;
};

// A new log file: the passing records numbered from 1, in a ring that grows rather than
// wraps. The log is written into the replacement's temporary file and takes the target's
// place when it is finished. The writer reports its write errors in the live log's error
// flag; the flag is kept for the live log and the writer's errors are told apart here.
class LogTarget : public Target {
  public:
    LogTarget(Context& ctx, std::filesystem::path file)
        : ctx_(ctx),
          file_(std::move(file)),
          log_(std::make_unique<TTelLog>(ctx, TTelLog::Role::kWriter)) {}
    ~LogTarget() override { Close(false); }

    bool Open() override {
        if (!file_.Begin()) return false;
        log_->AssignFile(file_.TemporaryPath());
        return Guarded([&] { return log_->Create(); });
    }
    bool Line(std::string_view) override { return true; }
    bool WritesLines() const override { return false; }
    bool Record(const TTelegram& rec) override {
        TTelegram copy = rec;
        copy.SeqNo = static_cast<std::int32_t>(log_->Directory().NewestSeqNo + 1);
        return Guarded([&] {
            log_->AppendRecord(copy);
            return true;
        });
    }
    bool Close(bool keep) override {
        const bool finished = !log_->IsOpen() || Guarded([&] { return log_->Finish(); });
        if (keep && finished) return file_.Commit();
        file_.Discard();
        return finished;
    }

  private:
    template <typename F>
    bool Guarded(F f) {
        const bool before = ctx_.run.LogErrorFlag;
        ctx_.run.LogErrorFlag = false;
        const bool ok = f() && !ctx_.run.LogErrorFlag;
        ctx_.run.LogErrorFlag = before;
        return ok;
    }

    Context& ctx_;
    FileReplacement file_;
    std::unique_ptr<TTelLog> log_;
};

// One run of the output over the context's log.
class OutputRun {
  public:
    OutputRun(Context& ctx, Target& target, const OutputOptions& o)
        : ctx_(ctx), log_(ctx.log), target_(target), o_(o), gen_(ctx, o.descriptions) {}

    OutputResult Run() {
        if (!target_.Open()) {
            target_.Close(false);
            return OutputResult::kTargetFailed;
        }
        const bool viewWasOpen = log_.ViewOpen();
        OutputResult r = viewWasOpen || log_.OpenView() ? Walk() : OutputResult::kLogUnreadable;
        // What was written stays when the output ended, was cancelled or read what it could.
        const bool keep = r == OutputResult::kDone || r == OutputResult::kCancelled ||
                          r == OutputResult::kLogReadFailed;
        if (!target_.Close(keep) && r == OutputResult::kDone) r = OutputResult::kWriteFailed;
        if (!viewWasOpen) log_.CloseView();
        return r;
    }

  private:
    bool Csv() const { return o_.interpret.format == DisplayFormat::afCsv; }

    OutputResult Walk() {
        const std::uint32_t readErrors = log_.ViewReadErrors();
        log_.ViewToStart();
        // A first record that the filter rejects is not written either.
        const bool any = log_.Passes() || log_.NextPassing();
        const std::int64_t count = any ? log_.RecordCount() : -1;
        const std::int64_t base = std::int64_t{log_.Directory().OldestSeqNo} - 1;
        remembered_ = any ? log_.ViewRecord().Time : 0;
        if (!BeginPage()) return OutputResult::kWriteFailed;
        std::int64_t lastUpdate = LLONG_MIN;
        while (any) {
            const TTelegram& rec = log_.ViewRecord();
            const std::int64_t rel = rec.SeqNo - base;
            if (rel > count) break;
            if (!WriteRecord(rec, rel)) return OutputResult::kWriteFailed;
            if (lastUpdate == LLONG_MIN || rel - lastUpdate > kProgressStep) {
                lastUpdate = rel;
                if (Cancelled(rel, count)) return Cancel();
            }
            if (!log_.NextPassing()) break;
        }
        if (!Line(ctx_.Txt(txt::kOutputEnd))) return OutputResult::kWriteFailed;
        return log_.ViewReadErrors() == readErrors ? OutputResult::kDone
                                                   : OutputResult::kLogReadFailed;
    }

    bool WriteRecord(const TTelegram& rec, std::int64_t rel) {
        if (std::floor(rec.Time) != std::floor(remembered_)) {
            remembered_ = rec.Time;
            if (!Line(ShortDate(rec.Time, o_.interpret.dayFirst))) return false;
        }
        if (!target_.WritesLines()) return target_.Record(rec);
        gen_.Prepare(o_.interpret, rec, previousTime_, rel);
        bool wrote = false;
        for (line_.clear(); gen_.NextLine(line_); line_.clear()) {
            if (!Line(line_)) return false;
            wrote = true;
        }
        previousTime_ = gen_.PreviousTime();
        if (wrote && (target_.IsPrinter() || !Csv())) return Line("");
        return true;
    }

    bool Cancelled(std::int64_t rel, std::int64_t count) {
        ctx_.loop.ProcessPending();
        if (!o_.progress) return false;
        const auto percent = static_cast<int>(count > 0 ? rel * 100 / count : 100);
        return o_.progress(std::clamp(percent, 0, 100));
    }

    OutputResult Cancel() {
        Line(ctx_.Txt(txt::kOutputCancelled));
        target_.Cancel();
        return OutputResult::kCancelled;
    }

    bool Line(std::string_view text) {
        if (!target_.WritesLines()) return true;
        if (target_.PageFull() && !BeginPage()) return false;
        return target_.Line(text);
    }

    bool BeginPage() {
        if (!target_.WritesLines()) return true;
        target_.BeginPage(++page_);
        return target_.Line(Csv() ? std::string(ctx_.Txt(txt::kExportHeading)) : PageHeading()) &&
               target_.Line("");
    }

    std::string PageHeading() const {
        std::string name =
            o_.headingName.empty() ? ctx_.run.LogFilePath.filename().string() : o_.headingName;
        if (name.size() < 32) name.resize(32, ' ');
        std::string line = name;
        line += ctx_.Txt(txt::kPageDate);
        line += ShortDate(remembered_, o_.interpret.dayFirst);
        line += ' ';
        line += ctx_.Txt(txt::kPageNumber);
        char number[16];
        std::snprintf(number, sizeof number, "%3d", page_);
        line += number;
        const std::string desc = DescriptionLine(ctx_, o_.interpret);
        if (desc.size() < 60) line.append(60 - desc.size(), ' ');
        line += desc;
        return line;
    }

    Context& ctx_;
    TTelLog& log_;
    Target& target_;
    const OutputOptions& o_;
    LineGenerator gen_;
    std::string line_;  // reused for every line
    double remembered_ = 0;
    double previousTime_ = 0;
    int page_ = 0;
};

}  // namespace

std::string ShortDate(double time, bool dayFirst) {
    std::int64_t day = 0;
    std::int64_t ms = 0;
    SplitTime(time, day, ms);
    std::string out;
    AppendShortDate(out, day, dayFirst);
    return out;
}

std::string DescriptionLine(const Context& ctx, const InterpretSettings& s) {
    const int format = static_cast<int>(s.format);
    const bool timeLine = s.timeLine || s.format == DisplayFormat::afCsv;
    std::string line(ctx.Txt(txt::kDisplayModeBase));  // the output shows the log, not online
    line += ctx.Txt(txt::kViewFilterBase + (ctx.general.DisplayFilter.FilterOn != 0 ? 1 : 0));
    line += ctx.Txt(txt::kViewTextBase + format);
    line += ctx.Txt(txt::kViewTextBase + (timeLine ? 1 : 0));
    return line;
}

std::filesystem::path OutputTargetName(const Context& ctx, const std::filesystem::path& typed,
                                       OutputKind kind) {
    std::filesystem::path name = typed;
    if (!name.has_parent_path()) name = ctx.run.DataDirectory / name;
    if (kind == OutputKind::kLogFile)
        name.replace_extension(TextPath(ctx.Txt(txt::kLogFileExt)));
    else if (kind == OutputKind::kTextFile && !name.has_extension())
        name += ".txt";
    return name;
}

bool IsLiveLogFile(const Context& ctx, const std::filesystem::path& file) {
    const std::filesystem::path& live = ctx.run.LogFilePath;
    if (live.empty()) return false;
    std::error_code ec;
    if (std::filesystem::equivalent(file, live, ec)) return true;
    return Lower(Absolute(file).string()) == Lower(Absolute(live).string());
}

OutputResult WriteLog(Context& ctx, const std::filesystem::path& file, OutputKind kind,
                      const OutputOptions& options) {
    if (kind != OutputKind::kPrinter && IsLiveLogFile(ctx, file)) {
        ctx.ui.ShowMessage(ctx.Txt(txt::kOutputIsLiveLog), MessageKind::kError,
                           MessageButtons::kOk);
        return OutputResult::kLiveLogTarget;
    }
    std::unique_ptr<Target> target;
    switch (kind) {
        case OutputKind::kTextFile:
            target = std::make_unique<TextTarget>(file);
            break;
        case OutputKind::kLogFile:
            target = std::make_unique<LogTarget>(ctx, file);
            break;
        case OutputKind::kPrinter:
            if (options.printer == nullptr) return OutputResult::kTargetFailed;
            target = std::make_unique<PrinterTarget>(*options.printer);
            break;
    }
    return OutputRun(ctx, *target, options).Run();
}

OutputResult WriteLogText(Context& ctx, std::FILE* out, const OutputOptions& options) {
    TextTarget target(out);
    return OutputRun(ctx, target, options).Run();
}

}  // namespace vadrix
