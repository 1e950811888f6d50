// vadrix-cli run: the program without a window, the recorder left beside a line. It starts
// as the program starts, goes online, prints every record that reaches the online display
// and, at the end of its time or on SIGINT/SIGTERM, closes as the program closes.

#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <optional>

#include "CliTool.h"
#include "CommandLine.h"
#include "Commands.h"
#include "JsonRecord.h"
#include "app/Engine.h"
#include "app/ProgramStart.h"
#include "channel/Channel.h"
#include "common/TextTable.h"
#include "editors/SendControl.h"
#include "interpret/LineGenerator.h"
#include "runtime/EngineDriver.h"
#include "runtime/PortScan.h"
#include "runtime/TermiosSerialPort.h"

namespace vadrix::cli {
namespace {

constexpr const char* kRunHelp =
    "usage: vadrix-cli run [WORDS ...] [OPTIONS]\n"
    "Runs the program without a window: it starts as the program starts (instance slot, data\n"
    "directory, settings, send telegram file, live log), goes online and prints every record\n"
    "that reaches the online display. SIGINT, SIGTERM or the end of --duration close it as\n"
    "the program closes: ports, log, a changed send telegram file, settings. When it goes\n"
    "offline on its own (the log cannot be written, a port's device went away), it says why\n"
    "and ends the same way with exit status 1.\n"
    "WORDS are the program's own command-line words: log, send telegram and description\n"
    "files by their extension, the switches -t and -t2, and the words for offline and online.\n"
    "options:\n"
    "  --port N=/dev/PATH     the device of port N for this run (repeatable)\n"
    "  --send-telegram N      start send telegram N (1..12) once online (repeatable)\n"
    "  --send-list N          start send list N (1..12) once online (repeatable)\n"
    "  -f, --format N         display format 2..8 (default: the stored one)\n"
    "  --time                 show the time line\n"
    "  --json                 one JSON object a line for every record instead of the lines\n"
    "  --lang ger|usa         the language of the texts\n"
    "  --duration SECONDS     go offline and end after this time\n";

std::atomic<int> gStopSignal{0};

void OnStopSignal(int sig) {
    gStopSignal = sig;
}

struct RunOptions {
    std::vector<std::string> words;
    std::vector<std::pair<int, std::string>> ports;
    std::vector<int> telegrams;
    std::vector<int> lists;
    std::optional<int> format;
    bool timeLine = false;
    bool json = false;
    std::optional<std::string> lang;
    std::optional<long long> durationS;
};

bool ReadSlots(const std::vector<std::string>& values, const char* option, std::vector<int>& out,
               std::string& error) {
    for (const std::string& v : values) {
        const auto n = ParseNumber(v, 1, kSendSlots);
        if (!n) {
            error = std::string(option) + " takes a number from 1 to 12, not '" + v + "'";
            return false;
        }
        out.push_back(static_cast<int>(*n));
    }
    return true;
}

bool ReadRunOptions(const Words& words, RunOptions& o, std::string& error) {
    CommandLine args({{"--port", "", true},
                      {"--send-telegram", "", true},
                      {"--send-list", "", true},
                      {"--format", "-f", true},
                      {"--time", "", false},
                      {"--json", "", false},
                      {"--lang", "", true},
                      {"--duration", "", true}});
    if (!args.Parse(words, error)) return false;
    o.words = args.Positional();
    for (const std::string& p : args.Values("--port")) {
        const auto port = ParsePortOption(p);
        if (!port) {
            error = "--port takes N=/dev/PATH with N from 1 to 64, not '" + p + "'";
            return false;
        }
        o.ports.push_back(*port);
    }
    if (!ReadSlots(args.Values("--send-telegram"), "--send-telegram", o.telegrams, error) ||
        !ReadSlots(args.Values("--send-list"), "--send-list", o.lists, error))
        return false;
    if (const auto f = args.Value("--format")) {
        const auto n = ParseNumber(*f, 2, 8);
        if (!n) {
            error = "--format takes a number from 2 to 8, not '" + *f + "'";
            return false;
        }
        o.format = static_cast<int>(*n);
    }
    if (const auto d = args.Value("--duration")) {
        o.durationS = ParseNumber(*d, 1, 100000000);
        if (!o.durationS) {
            error = "--duration takes a whole number of seconds, not '" + *d + "'";
            return false;
        }
    }
    o.timeLine = args.Has("--time");
    o.json = args.Has("--json");
    o.lang = args.Value("--lang");
    return true;
}

// Prints the records the online display receives, as the line generator renders them.
class RecordPrinter {
  public:
    RecordPrinter(Context& ctx, const Descriptions& d, const RunOptions& o)
        : ctx_(ctx), lines_(ctx, &d), json_(ctx), asJson_(o.json) {
        settings_ = SettingsFromContext(ctx);
        if (o.format) settings_.format = DisplayFormatFromNumber(*o.format);
        settings_.timeLine = o.timeLine || settings_.format == DisplayFormat::afCsv;
    }

    void Drain() {
        TTelegram rec;
        while (ctx_.log.Queue().Take(rec)) Print(rec);
        std::fflush(stdout);
    }
    std::uint64_t Printed() const { return printed_; }

  private:
    void Print(const TTelegram& rec) {
        // The frame layout is the one the channels were set up with when they opened, after
        // the printer was made.
        settings_.userDataOffset = ctx_.run.UserDataOffset;
        lines_.Prepare(settings_, rec, previousTime_, rec.SeqNo);
        std::vector<std::string> lines;
        for (std::string line = lines_.NextLine(); !line.empty(); line = lines_.NextLine())
            lines.push_back(std::move(line));
        previousTime_ = lines_.PreviousTime();
        if (asJson_) {
            out_.clear();
            json_.Append(out_, rec, rec.SeqNo, lines);
            out_ += '\n';
            std::fputs(out_.c_str(), stdout);
        } else {
            for (const std::string& l : lines) std::printf("%s\n", Cp1252ToUtf8(l).c_str());
        }
        ++printed_;
    }

    Context& ctx_;
    LineGenerator lines_;
    JsonRecordWriter json_;
    bool asJson_;
    std::string out_;
    InterpretSettings settings_;
    double previousTime_ = 0;
    std::uint64_t printed_ = 0;
};

// One line on standard error while it is a terminal: records, errors per source, period.
class StatusLine {
  public:
    explicit StatusLine(Context& ctx) : ctx_(ctx), terminal_(isatty(STDERR_FILENO) != 0) {}
    ~StatusLine() {
        if (terminal_ && shown_) std::fputs("\n", stderr);
    }
    void Tick() {
        if (!terminal_ || ++ticks_ % 18 != 0) return;
        const TTelLog& log = ctx_.log;
        std::fprintf(stderr, "\r%s  records %u  errors E1 %u S1 %u E2 %u S2 %u  tick %u ms   ",
                     ctx_.settings.Online ? "online " : "offline", log.RecordCount(),
                     log.ErrorCount(1), log.ErrorCount(2), log.ErrorCount(3), log.ErrorCount(4),
                     ctx_.run.TickPeriodMs);
        shown_ = true;
    }

  private:
    Context& ctx_;
    bool terminal_;
    bool shown_ = false;
    std::uint64_t ticks_ = 0;
};

bool BindPorts(Context& ctx, const RunOptions& o, PortTable& table) {
    std::string error;
    if (!LoadPortTable(ctx.run.DataDirectory, table, error)) {
        Error(error);
        return false;
    }
    for (const auto& [port, path] : o.ports) table.Override(port, path);
    return true;
}

// The configured ports must be there, else the recorder would sit offline.
bool PortsPresent(Context& ctx, const PortTable& table) {
    ctx.run.PresentPorts = ScanPorts(table, {});
    const std::uint8_t wanted = ctx.settings.Online;
    CheckConfiguredPorts(ctx, ctx.run.PresentPorts);
    if (wanted == 0 || ctx.settings.Online != 0) return true;
    for (const TEmSe* ch : {&ctx.emse1, &ctx.emse2}) {
        const int port = static_cast<int>(ch->P.ComNumber);
        if (port == 0) continue;
        const std::string dev = table.DeviceOf(port);
        Error("port " + std::to_string(port) + " (" + (dev.empty() ? "no device" : dev) +
              ") is not present; give its device with --port " + std::to_string(port) +
              "=/dev/PATH");
    }
    return false;
}

void StartSendItems(Context& ctx, const RunOptions& o) {
    for (int n : o.telegrams) RequestSend(ctx, ctx.sendTelegrams.Items[n - 1].Head);
    for (int n : o.lists) RequestSendList(ctx, ctx.sendLists.Items[n - 1]);
}

}  // namespace

int Run(const Words& words) {
    if (WantsHelp(words)) {
        std::fputs(kRunHelp, stdout);
        return kExitOk;
    }
    RunOptions o;
    std::string error;
    if (!ReadRunOptions(words, o, error)) return UsageError(error, "run");

    Tool tool(true);
    if (const int code = tool.Start(); code >= 0) return code;
    Context& ctx = tool.ctx();
    const TSettings stored = ctx.settings;
    if (o.lang && !tool.UseLanguage(*o.lang)) return kExitFailed;

    // The recorder goes online unless its words say offline; what the settings keep for the
    // program's next start changes only when the words say so.
    ctx.settings.Online = 1;
    const ProgramArguments line = ReadCommandLine(ctx, o.words);
    for (const std::string& w : line.ignored) Error("ignored the word '" + w + "'");
    Descriptions descriptions;
    Engine engine(ctx);
    OpenStartFiles(ctx, line, descriptions);

    PortTable table;
    if (!BindPorts(ctx, o, table)) return kExitFailed;
    TermiosSerialPort port1(table);
    TermiosSerialPort port2(table);
    BindChannel(ctx, ctx.emse1, port1);
    BindChannel(ctx, ctx.emse2, port2);

    RecordPrinter printer(ctx, descriptions, o);
    // Records are printed as soon as reception stores them, so bursts beyond the display
    // queue are not lost to the output.
    port1.SetDataHandler([&](std::size_t n) {
        OnPortData(ctx, ctx.emse1, n);
        printer.Drain();
    });
    port2.SetDataHandler([&](std::size_t n) {
        OnPortData(ctx, ctx.emse2, n);
        printer.Drain();
    });

    int exitCode = kExitOk;
    const auto finish = [&](int code) {
        exitCode = code;
        QCoreApplication::quit();
    };
    if (!PortsPresent(ctx, table)) {
        CloseProgram(ctx, tool.platform);
        return kExitFailed;
    }

    StatusLine status(ctx);
    EngineDriver driver(engine);
    driver.AddPort(port1);
    driver.AddPort(port2);
    bool itemsStarted = false;
    bool offlineOnItsOwn = false;
    engine.hooks.onlineDisplayStep = [&](int) { printer.Drain(); };
    engine.hooks.portError = [&](const std::string& e) {
        Error(e);
        finish(kExitFailed);
    };
    driver.afterTick = [&] {
        if (gStopSignal != 0) finish(kExitOk);
        // A recorder that can no longer record ends rather than idle until its duration, so
        // that whoever started it learns of it; a tick later, when its message is out.
        if (offlineOnItsOwn) finish(kExitFailed);
        offlineOnItsOwn = itemsStarted && ctx.settings.Online == 0;
        if (!itemsStarted && (ctx.emse1.PortOpen || ctx.emse2.PortOpen)) {
            itemsStarted = true;
            StartSendItems(ctx, o);
        }
        status.Tick();
    };
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    if (o.durationS)
        QTimer::singleShot(static_cast<int>(*o.durationS * 1000), [&] { finish(kExitOk); });
    driver.Start();
    QCoreApplication::exec();
    driver.Stop();

    printer.Drain();
    if (!line.onlineWord) ctx.settings.Online = stored.Online;
    ctx.settings.Language = stored.Language;
    CloseProgram(ctx, tool.platform);
    printer.Drain();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    return exitCode;
}

}  // namespace vadrix::cli
