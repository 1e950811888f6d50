#include "CliTool.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "app/DataFiles.h"
#include "app/Language.h"
#include "app/Startup.h"
#include "app/TimeBase.h"
#include "common/TextIds.h"
#include "log/LogFileAccess.h"
#include "log/LogFileLayout.h"
#include "output/Output.h"

namespace vadrix::cli {

// ---------------------------------------------------------------------------------------

LocalDateTime ToolClock::Now() {
    if (!captured_) return real_.Now();
    const std::int64_t ms = ((start_.hour * 60LL + start_.minute) * 60 + start_.second) * 1000 +
                            start_.millisecond + static_cast<std::uint32_t>(ms_ - startMs_);
    double day =
        DateSerial(start_.year, start_.month, start_.day) + static_cast<double>(ms / kMsPerDay);
    LocalDateTime t;
    DecodeDateSerial(day, t.year, t.month, t.day);
    const std::int64_t ofDay = ms % kMsPerDay;
    t.hour = static_cast<int>(ofDay / 3600000);
    t.minute = static_cast<int>(ofDay / 60000 % 60);
    t.second = static_cast<int>(ofDay / 1000 % 60);
    t.millisecond = static_cast<int>(ofDay % 1000);
    return t;
}

void ToolClock::Sleep(std::uint32_t ms) {
    if (captured_)
        ms_ += ms;
    else
        real_.Sleep(ms);
}

void ToolClock::Capture(const LocalDateTime& start, std::uint32_t ms) {
    captured_ = true;
    start_ = start;
    startMs_ = ms_ = ms;
}

// ---------------------------------------------------------------------------------------

int Tool::Start() {
    switch (InitCommon(ctx(), platform)) {
        case StartOutcome::kTextTableFailed:
            return kExitTextTable;
        case StartOutcome::kNoInstance:
            Error("two copies of the program run already");
            return kExitNoInstance;
        case StartOutcome::kRun:
            break;
    }
    return -1;
}

bool Tool::UseLanguage(const std::string& lang) {
    if (lang != "ger" && lang != "usa") {
        Error("--lang takes ger or usa, not '" + lang + "'");
        return false;
    }
    ctx().settings.Language = lang == "usa" ? 1 : 0;
    return LoadTextTable(ctx());
}

void Error(const std::string& message) {
    std::fprintf(stderr, "vadrix-cli: %s\n", message.c_str());
}

int UsageError(const std::string& message, const char* command) {
    Error(message);
    std::fprintf(stderr, "run 'vadrix-cli %s --help' for its options\n", command);
    return kExitUsage;
}

// ---------------------------------------------------------------------------------------

Progress::Progress() : terminal_(isatty(STDERR_FILENO) != 0) {}

std::function<bool(int)> Progress::Callback() {
    return [this](int percent) {
        Show(percent);
        return false;
    };
}

void Progress::Show(int percent) {
    if (!terminal_ || percent == shown_) return;
    shown_ = percent;
    std::fprintf(stderr, "\r%3d %%", percent);
    std::fflush(stderr);
}

void Progress::Done() {
    if (!terminal_ || shown_ < 0) return;
    std::fputs("\r      \r", stderr);
    std::fflush(stderr);
    shown_ = -1;
}

// ---------------------------------------------------------------------------------------

namespace {

// A log begins with its header and directory; anything shorter or with a foreign header is
// not one (the store would take an empty file for a new log).
bool LooksLikeLog(const std::filesystem::path& file) {
    TFileAccess f;
    TLogHeader h;
    return f.Open(file, TFileAccess::Mode::kReadOnly) && f.Size() >= kLogBlocksStart &&
           f.ReadAt(0, BytesOf(h)) == sizeof h && h.Valid();
}

}  // namespace

bool LogSnapshot::Open(const std::filesystem::path& log) {
    source_ = log;
    std::error_code ec;
    if (!std::filesystem::exists(log, ec)) {
        Error(log.string() + ": no such file");
        return false;
    }
    if (!std::filesystem::is_regular_file(log, ec) || !LooksLikeLog(log)) {
        Error(log.string() + ": not a log file");
        return false;
    }
    // Opened for reading only: neither the tool nor the store's bookkeeping can change a
    // byte of it, and a log that a running program is writing is read as it stands.
    return tool_.ctx().log.OpenForReading(log);
}

LogSnapshot::~LogSnapshot() {
    tool_.ctx().log.Close();
}

bool Protected(Tool& tool, const std::filesystem::path& target,
               const std::vector<std::filesystem::path>& inputs) {
    Context& ctx = tool.ctx();
    bool live = false;
    for (const std::filesystem::path& input : inputs)
        live = live || (!input.empty() && SameFile(target, input));
    const int instance = ctx.run.InstanceNumber;
    for (int n : {1, 2}) {
        ctx.run.InstanceNumber = n;
        live = live || SameFile(target, DataFileName(ctx, txt::kLogFileName));
    }
    ctx.run.InstanceNumber = instance;
    if (live) Error(target.string() + ": " + DisplayText(ctx, txt::kOutputIsLiveLog));
    return live;
}

std::string DateTimeText(double time) {
    if (!std::isfinite(time) || std::fabs(time) > 3e6) return "-";
    const double day = std::floor(time);
    auto ms = static_cast<std::int64_t>(std::llround((time - day) * kMsPerDay));
    if (ms >= kMsPerDay) ms = kMsPerDay - 1;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s %02d:%02d:%02d.%03d", ShortDate(day).c_str(),
                  static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
                  static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
    return buf;
}

}  // namespace vadrix::cli
