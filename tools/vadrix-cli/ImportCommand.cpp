// import: a capture of received bytes framed and checked as a live channel would, stored in
// a new log.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <span>
#include <sstream>

#include "CliTool.h"
#include "CommandLine.h"
#include "Commands.h"
#include "app/DataFiles.h"
#include "app/TimeBase.h"
#include "channel/Channel.h"
#include "channel/Framer.h"
#include "common/TextIds.h"
#include "log/LogFileAccess.h"
#include "log/LogSink.h"
#include "log/SendFile.h"
#include "log/TelLog.h"

namespace vadrix::cli {
namespace {

const char* const kImportHelp =
    "usage: vadrix-cli import CAPTURE NEW.lg8 [OPTIONS]\n"
    "Frames the received bytes of CAPTURE through the same framer and checks as a live\n"
    "channel and stores the telegrams in a new log file. A capture is either raw bytes or a\n"
    "text file of lines 'MILLISECONDS HEXBYTES...', each giving a block of bytes and its\n"
    "arrival time, so that frame and loose-byte deadlines fire as they would on the line\n"
    "(blank lines and lines starting with '#' are skipped). Raw bytes arrive as one stream;\n"
    "what is pending at the end is completed as at a deadline.\n"
    "  --settings FILE   take protocol variant and channel settings from a send telegram\n"
    "                    file or a log file (default: the program's send telegram file)\n"
    "  --variant N       protocol variant 0, 1 or 2\n"
    "  --channel 1|2     the receiving channel (default 1; the monitor variants 0 and 1\n"
    "                    use channel 1)\n"
    "  --start TIME      local time of the capture's first byte, YYYY-MM-DDTHH:MM:SS[.mmm]\n"
    "                    (default: now)\n"
    "  --raw, --timed    the capture's form (default: timed when every line reads as one)\n";

// Counter value of the capture's first block; far from 0 so that nothing relies on it.
constexpr std::uint32_t kFirstCounter = 1000;

struct Block {
    std::uint64_t ms = 0;
    std::vector<std::uint8_t> bytes;
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// "MILLISECONDS HEXBYTES..."; the bytes as pairs of hex digits, with or without blanks.
// nullopt for a line that is no such line; a skipped line gives an empty block at ms 0.
std::optional<Block> ParseTimedLine(const std::string& line, bool& skip) {
    std::istringstream in(line);
    std::string word;
    skip = !(in >> word) || word[0] == '#';
    if (skip) return Block{};
    Block b;
    if (!std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
        word.size() > 18)
        return std::nullopt;
    b.ms = std::stoull(word);
    while (in >> word) {
        if (word.size() % 2 != 0) return std::nullopt;
        for (std::size_t i = 0; i < word.size(); i += 2) {
            const int hi = HexDigit(word[i]);
            const int lo = HexDigit(word[i + 1]);
            if (hi < 0 || lo < 0) return std::nullopt;
            b.bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
        }
    }
    return b;
}

// Timed when the start of the file is text whose lines all read as timed lines.
bool LooksTimed(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string head(4096, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    if (head.empty()) return false;
    const bool whole = static_cast<std::size_t>(in.gcount()) < 4096;
    if (!whole) head.resize(head.rfind('\n') == std::string::npos ? 0 : head.rfind('\n'));
    std::istringstream lines(head);
    bool any = false;
    for (std::string line; std::getline(lines, line);) {
        for (char c : line)
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r') return false;
        bool skip = false;
        if (!ParseTimedLine(line, skip)) return false;
        any = any || !skip;
    }
    return any;
}

std::optional<LocalDateTime> ParseStart(const std::string& s) {
    LocalDateTime t;
    t.hour = t.minute = t.second = t.millisecond = 0;
    char sep = 'T';
    const int n = std::sscanf(s.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d.%3d", &t.year, &t.month, &t.day,
                              &sep, &t.hour, &t.minute, &t.second, &t.millisecond);
    if (n < 3 || (n >= 4 && sep != 'T' && sep != ' ') || (n > 3 && n < 6)) return std::nullopt;
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 ||
        t.second > 59 || t.hour < 0 || t.minute < 0 || t.second < 0 || t.millisecond < 0)
        return std::nullopt;
    return t;
}

// The variant and channel blocks of a send telegram file or a log: both begin with the same
// header.
bool TakeSetUp(Context& ctx, const std::filesystem::path& file, bool quiet) {
    TFileAccess f;
    TLogHeader h;
    if (!f.Open(file, TFileAccess::Mode::kReadOnly) || f.ReadAt(0, BytesOf(h)) != sizeof h ||
        !h.Valid()) {
        if (!quiet) Error(file.string() + ": neither a send telegram file nor a log file");
        return false;
    }
    TakeOverGeneralParams(ctx.general, BytesOf(h.General));
    TakeOverChannelBlock(ctx.emse1.P, BytesOf(h.Channel1));
    TakeOverChannelBlock(ctx.emse2.P, BytesOf(h.Channel2));
    return true;
}

std::filesystem::path ProgramSendFile(Context& ctx) {
    const std::string stored = ctx.settings.AuxFileName.str();
    std::error_code ec;
    if (!stored.empty() && std::filesystem::is_regular_file(TextPath(stored), ec))
        return TextPath(stored);
    return DefaultSendFilePath(ctx);
}

// Feeds the channel and lets its deadlines pass on the capture's clock.
class Replay {
  public:
    Replay(Context& ctx, ToolClock& clock, TEmSe& ch) : ctx_(ctx), clock_(clock), ch_(ch) {}

    // The block arrives at counter value ms; a deadline that passed before fires first, at
    // its first millisecond past.
    void Deliver(std::uint32_t ms, std::span<const std::uint8_t> bytes) {
        FireDeadlineBefore(ms);
        clock_.SetMs(ms);
        for (std::size_t at = 0; at < bytes.size(); at += kMaxReadBlock)
            ReceiveBlock(ctx_, ch_, bytes.subspan(at, std::min(kMaxReadBlock, bytes.size() - at)));
    }
    // The end of the capture: what is pending is completed at its deadline.
    void Finish() {
        if (ch_.RxCount == 0) return;
        clock_.SetMs(ch_.RxDeadline + 1);
        ChannelTick(ctx_, ch_);
    }

  private:
    void FireDeadlineBefore(std::uint32_t ms) {
        if (ch_.RxCount == 0) return;
        const std::uint32_t past = ch_.RxDeadline + 1;
        if (static_cast<std::int32_t>(ms - past) < 0) return;
        clock_.SetMs(past);
        ChannelTick(ctx_, ch_);
    }

    Context& ctx_;
    ToolClock& clock_;
    TEmSe& ch_;
};

// The share of the capture read so far, on the terminal.
class ReadProgress {
  public:
    explicit ReadProgress(const std::filesystem::path& file) {
        std::error_code ec;
        size_ = std::filesystem::file_size(file, ec);
    }
    void At(std::istream& in) {
        if (++calls_ % 256 != 0 || size_ == 0) return;
        const std::streamoff pos = in.tellg();
        if (pos >= 0) shown_.Show(static_cast<int>(static_cast<std::uint64_t>(pos) * 100 / size_));
    }

  private:
    std::uintmax_t size_ = 0;
    unsigned calls_ = 0;
    Progress shown_;
};

bool FeedRaw(const std::filesystem::path& file, Replay& replay, std::uint32_t ms) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    ReadProgress progress(file);
    std::vector<std::uint8_t> block(kMaxReadBlock);
    while (in) {
        in.read(reinterpret_cast<char*>(block.data()), static_cast<std::streamsize>(block.size()));
        const auto n = static_cast<std::size_t>(in.gcount());
        if (n != 0) replay.Deliver(ms, std::span(block.data(), n));
        progress.At(in);
    }
    return true;
}

bool FeedTimed(const std::filesystem::path& file, Replay& replay, std::string& error) {
    std::ifstream in(file);
    if (!in) {
        error = file.string() + ": cannot be read";
        return false;
    }
    ReadProgress progress(file);
    std::optional<std::uint64_t> first;
    std::uint64_t last = 0;
    int lineNo = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNo;
        bool skip = false;
        const std::optional<Block> b = ParseTimedLine(line, skip);
        const std::string where = file.string() + ":" + std::to_string(lineNo) + ": ";
        if (!b) {
            error = where + "not a line 'MILLISECONDS HEXBYTES...'";
            return false;
        }
        if (skip) continue;
        if (!first) first = last = b->ms;
        if (b->ms < last) {
            error = where + "the time goes back";
            return false;
        }
        last = b->ms;
        replay.Deliver(static_cast<std::uint32_t>(kFirstCounter + (b->ms - *first)), b->bytes);
        progress.At(in);
    }
    return true;
}

}  // namespace

int Import(const Words& words) {
    if (WantsHelp(words)) {
        std::fputs(kImportHelp, stdout);
        return kExitOk;
    }
    CommandLine args({{"--settings", "", true},
                      {"--variant", "", true},
                      {"--channel", "", true},
                      {"--start", "", true},
                      {"--raw", "", false},
                      {"--timed", "", false}});
    std::string error;
    if (!args.Parse(words, error)) return UsageError(error, "import");
    if (args.Positional().size() != 2) return UsageError("import takes CAPTURE and NEW", "import");
    if (args.Has("--raw") && args.Has("--timed"))
        return UsageError("--raw and --timed exclude each other", "import");
    std::optional<long long> variant, channel;
    if (const auto v = args.Value("--variant"); v && !(variant = ParseNumber(*v, 0, 2)))
        return UsageError("--variant takes 0, 1 or 2", "import");
    if (const auto c = args.Value("--channel"); c && !(channel = ParseNumber(*c, 1, 2)))
        return UsageError("--channel takes 1 or 2", "import");
    std::optional<LocalDateTime> start;
    if (const auto s = args.Value("--start"); s && !(start = ParseStart(*s)))
        return UsageError("--start takes YYYY-MM-DDTHH:MM:SS[.mmm]", "import");
    const std::filesystem::path capture = args.Positional()[0];

    Tool tool(false);
    if (const int code = tool.Start(); code >= 0) return code;
    Context& ctx = tool.ctx();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(capture, ec)) {
        Error(capture.string() +
              (std::filesystem::exists(capture, ec) ? ": not a file" : ": no such file"));
        return kExitFailed;
    }
    if (const auto s = args.Value("--settings")) {
        if (!TakeSetUp(ctx, *s, false)) return kExitFailed;
    } else {
        TakeSetUp(ctx, ProgramSendFile(ctx), true);
    }
    if (variant) ctx.general.ProtocolVariant = static_cast<std::int32_t>(*variant);
    if (ctx.general.ProtocolVariant < 0 || ctx.general.ProtocolVariant > 2) {
        Error("the protocol variant " + std::to_string(ctx.general.ProtocolVariant) +
              " receives no telegrams; give --variant 0, 1 or 2");
        return kExitFailed;
    }
    const bool monitor = ctx.general.ProtocolVariant <= 1;
    if (monitor && channel.value_or(1) != 1)
        return UsageError("in the monitor variants 0 and 1 the device is on channel 1", "import");
    // Everything received is stored: a log filter of the set-up does not apply here.
    ctx.general.LogFilter.FilterOn = 0;
    ctx.general.DisplayFilter.FilterOn = 0;
    InitChannel(ctx, ctx.emse1);
    InitChannel(ctx, ctx.emse2);
    TEmSe& ch = channel.value_or(1) == 2 ? ctx.emse2 : ctx.emse1;

    std::filesystem::path target = args.Positional()[1];
    target.replace_extension(TextPath(ctx.Txt(txt::kLogFileExt)));
    if (Protected(tool, target, {capture, args.Value("--settings").value_or("")}))
        return kExitFailed;
    auto log = std::make_unique<TTelLog>(ctx, TTelLog::Role::kWriter);
    log->AssignFile(target);
    ctx.run.LogErrorFlag = false;
    if (!log->Create()) {
        Error(target.string() + ": cannot be created");
        return kExitFailed;
    }
    LogSink sink(*log);
    ctx.channelHooks.sink = &sink;

    tool.clock.Capture(start.value_or(tool.clock.Now()), kFirstCounter);
    SyncClock(ctx);
    Replay replay(ctx, tool.clock, ch);
    const bool timed = args.Has("--timed") || (!args.Has("--raw") && LooksTimed(capture));
    bool fed = true;
    if (timed)
        fed = FeedTimed(capture, replay, error);
    else if (!FeedRaw(capture, replay, kFirstCounter))
        fed = false, error = capture.string() + ": cannot be read";
    replay.Finish();
    ctx.channelHooks.sink = &ctx.logSink;
    const bool finished = log->Finish() && !ctx.run.LogErrorFlag;
    if (!fed) {
        Error(error + " (the telegrams before it are stored)");
        return kExitFailed;
    }
    if (!finished) {
        Error(target.string() + ": writing failed");
        return kExitFailed;
    }
    std::printf("%u records stored in %s\n", log->RecordCount(), target.c_str());
    return kExitOk;
}

}  // namespace vadrix::cli
