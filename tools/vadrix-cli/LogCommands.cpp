// dump, copy and info: the output run and the directory of a log opened for reading only.

#include <cstdio>
#include <optional>

#include "CliTool.h"
#include "CommandLine.h"
#include "Commands.h"
#include "DumpPipeline.h"
#include "app/DataFiles.h"
#include "app/Language.h"
#include "common/FileWrite.h"
#include "common/TextIds.h"
#include "filters/Filter.h"
#include "interpret/Descriptions.h"
#include "interpret/LineGenerator.h"
#include "output/Output.h"
#include "print/PainterCanvas.h"

namespace vadrix::cli {
namespace {

const char* const kDumpHelp =
    "usage: vadrix-cli dump LOG [OPTIONS]\n"
    "Writes the lines of the log view for every record of LOG, as the program's text output\n"
    "does: a page heading, a date line where the day changes, the end text.\n"
    "  -f, --format N        display format 2..8: 2 bits, 3 logical, 4 measured values,\n"
    "                        5 hex/BCD, 6 byte series, 7 export, 8 byte series with bits\n"
    "                        (default: the format of the program's settings)\n"
    "  --time                show the time line of every telegram (else only of faulty\n"
    "                        telegrams and events)\n"
    "  --filter FILE         only the records that pass this filter file\n"
    "  --descriptions FILE   object descriptions (default: the program's, if there are any)\n"
    "  --lang ger|usa        the language of the texts (default: the program's)\n"
    "  -o, --output FILE     write into FILE instead of standard output\n"
    "  --pdf FILE            write the printed pages into the PDF file FILE instead: the\n"
    "                        printer's pages, a heading with the date and page number\n"
    "                        on each (A4)\n"
    "  --json                one JSON object a line for every record instead: number,\n"
    "                        time, source, status, kind, station, telegram number, data\n"
    "                        kind, length code, class, the frame in hex and the lines the\n"
    "                        format renders for it (JSON Lines, UTF-8)\n";

const char* const kCopyHelp =
    "usage: vadrix-cli copy LOG NEW.lg8 [OPTIONS]\n"
    "Copies the records of LOG into a new log file, numbered from 1 without gaps, with the\n"
    "general parameters and channel settings of LOG in its header. NEW gets the log\n"
    "extension. LOG itself is only read.\n"
    "  --filter FILE         only the records that pass this filter file\n"
    "  --lang ger|usa        the language of the messages\n";

const char* const kInfoHelp =
    "usage: vadrix-cli info LOG\n"
    "Shows the header and directory of LOG: blocks, records, first and last time, and the\n"
    "recorded protocol variant and channel settings.\n";

int Help(const char* text) {
    std::fputs(text, stdout);
    return kExitOk;
}

// Loads a filter file and puts it in force as the display filter, as the filter dialog's OK
// would.
bool UseFilter(Context& ctx, const std::optional<std::string>& file) {
    if (!file) return true;
    TFilterRecord f;
    if (!LoadFilterFile(*file, f)) {
        Error(*file + ": not a filter file (212 bytes with its size marker)");
        return false;
    }
    PrepareFilter(f);
    f.FilterOn = f.FilterActive != 0 ? 1 : 0;
    ctx.general.DisplayFilter = f;
    return true;
}

std::filesystem::path DefaultDescriptions(Context& ctx) {
    const std::string stored = ctx.settings.DescriptionFile.str();
    if (!stored.empty()) return stored;
    return ctx.run.DataDirectory / TextPath(ctx.Txt(txt::kDescFileName));
}

bool UseDescriptions(Context& ctx, Descriptions& d, const std::optional<std::string>& given) {
    if (given) {
        if (!LoadDescriptions(ctx, d, *given)) {
            Error(*given + ": cannot read the object descriptions");
            return false;
        }
        return true;
    }
    std::error_code ec;
    const std::filesystem::path file = DefaultDescriptions(ctx);
    if (std::filesystem::is_regular_file(file, ec)) LoadDescriptions(ctx, d, file);
    return true;
}

OutputResult DumpToStream(Context& ctx, std::FILE* out, const DumpPipelineOptions& o) {
    const DumpSink sink = [out](std::string_view bytes) {
        return std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    };
    const OutputResult r = RunDumpPipeline(ctx, sink, o);
    if (std::fflush(out) != 0 && r == OutputResult::kDone) return OutputResult::kWriteFailed;
    return r;
}

// A file takes the dump as the program's text output takes its lines: written beside it
// and put in its place when the dump is done (or cancelled), left as it was otherwise.
OutputResult DumpToFile(Context& ctx, const std::filesystem::path& file,
                        const DumpPipelineOptions& o) {
    FileReplacement target(file);
    if (!target.Begin()) return OutputResult::kTargetFailed;
    const DumpSink sink = [&target](std::string_view bytes) { return target.Write(bytes); };
    const OutputResult r = RunDumpPipeline(ctx, sink, o);
    if (r != OutputResult::kDone && r != OutputResult::kCancelled) {
        target.Discard();
        return r;
    }
    return target.Commit() || r != OutputResult::kDone ? r : OutputResult::kWriteFailed;
}

// The printer's pages into a PDF file, which takes the target's place only when it is
// complete.
OutputResult DumpToPdf(Context& ctx, const std::filesystem::path& file,
                       const DumpPipelineOptions& o, const Descriptions& descriptions) {
    PdfCanvas canvas(QString::fromStdString(file.string()));
    OutputOptions options;
    options.interpret = o.interpret;
    options.descriptions = &descriptions;
    options.headingName = o.headingName;
    options.progress = o.progress;
    options.printer = &canvas;
    return WriteLog(ctx, file, OutputKind::kPrinter, options);
}

int Report(OutputResult r, const std::string& target) {
    switch (r) {
        case OutputResult::kDone:
            return kExitOk;
        case OutputResult::kTargetFailed:
            Error(target + ": cannot be created");
            return kExitFailed;
        case OutputResult::kWriteFailed:
            Error(target + ": writing failed; the output ended there");
            return kExitFailed;
        case OutputResult::kCancelled:
            Error("output cancelled");
            return kExitFailed;
        case OutputResult::kLogReadFailed:
            Error(target + ": holds only what could be read of the log");
            return kExitFailed;
        case OutputResult::kLiveLogTarget:
        case OutputResult::kLogUnreadable:
            return kExitFailed;  // the message has been shown
    }
    return kExitFailed;
}

}  // namespace

bool WantsHelp(const Words& words) {
    for (const std::string& w : words)
        if (w == "--help" || w == "-h") return true;
    return false;
}

int Dump(const Words& words) {
    if (WantsHelp(words)) return Help(kDumpHelp);
    CommandLine args({{"--format", "-f", true},
                      {"--time", "", false},
                      {"--filter", "", true},
                      {"--descriptions", "", true},
                      {"--lang", "", true},
                      {"--output", "-o", true},
                      {"--pdf", "", true},
                      {"--json", "", false}});
    std::string error;
    if (!args.Parse(words, error)) return UsageError(error, "dump");
    const std::optional<std::string> pdf = args.Value("--pdf");
    if (pdf && (args.Has("--output") || args.Has("--json")))
        return UsageError("--pdf goes with neither --output nor --json", "dump");
    if (args.Positional().size() != 1) return UsageError("dump takes one LOG", "dump");
    std::optional<long long> format;
    if (const auto f = args.Value("--format")) {
        format = ParseNumber(*f, 2, 8);
        if (!format) return UsageError("--format takes a number from 2 to 8", "dump");
    }
    const std::filesystem::path log = args.Positional()[0];
    const std::optional<std::string> out = pdf ? pdf : args.Value("--output");

    Tool tool(false);
    if (const int code = tool.Start(); code >= 0) return code;
    Context& ctx = tool.ctx();
    if (const auto lang = args.Value("--lang"); lang && !tool.UseLanguage(*lang))
        return kExitFailed;
    const auto filter = args.Value("--filter");
    const auto descFile = args.Value("--descriptions");
    if (out && Protected(tool, *out, {log, filter.value_or(""), descFile.value_or("")}))
        return kExitFailed;
    LogSnapshot snapshot(tool);
    if (!snapshot.Open(log)) return kExitFailed;
    if (!UseFilter(ctx, filter)) return kExitFailed;
    Descriptions descriptions;
    if (!UseDescriptions(ctx, descriptions, descFile)) return kExitFailed;

    DumpPipelineOptions o;
    o.interpret = SettingsFromLogHeader(ctx, ctx.log.Header());
    if (format) o.interpret.format = DisplayFormatFromNumber(static_cast<int>(*format));
    o.interpret.timeLine = args.Has("--time");
    o.textFrame = !args.Has("--json");
    o.headingName = log.filename().string();
    o.makeRenderer = [&, json = args.Has("--json")] {
        return json ? MakeJsonRenderer(ctx, &descriptions, o.interpret)
                    : MakeTextRenderer(ctx, &descriptions, o.interpret);
    };
    Progress progress;
    o.progress = progress.Callback();
    const OutputResult r = pdf   ? DumpToPdf(ctx, *pdf, o, descriptions)
                           : out ? DumpToFile(ctx, *out, o)
                                 : DumpToStream(ctx, stdout, o);
    progress.Done();
    return Report(r, out ? *out : std::string("standard output"));
}

int Copy(const Words& words) {
    if (WantsHelp(words)) return Help(kCopyHelp);
    CommandLine args({{"--filter", "", true}, {"--lang", "", true}});
    std::string error;
    if (!args.Parse(words, error)) return UsageError(error, "copy");
    if (args.Positional().size() != 2) return UsageError("copy takes LOG and NEW", "copy");
    const std::filesystem::path log = args.Positional()[0];

    Tool tool(false);
    if (const int code = tool.Start(); code >= 0) return code;
    Context& ctx = tool.ctx();
    if (const auto lang = args.Value("--lang"); lang && !tool.UseLanguage(*lang))
        return kExitFailed;
    std::filesystem::path target = args.Positional()[1];
    target.replace_extension(TextPath(ctx.Txt(txt::kLogFileExt)));
    const auto filter = args.Value("--filter");
    if (Protected(tool, target, {log, filter.value_or("")})) return kExitFailed;
    LogSnapshot snapshot(tool);
    if (!snapshot.Open(log)) return kExitFailed;
    if (!UseFilter(ctx, filter)) return kExitFailed;

    OutputOptions o;
    o.interpret = SettingsFromLogHeader(ctx, ctx.log.Header());
    Progress progress;
    o.progress = progress.Callback();
    const OutputResult r = WriteLog(ctx, target, OutputKind::kLogFile, o);
    progress.Done();
    if (r == OutputResult::kDone) std::printf("%s\n", target.c_str());
    return Report(r, target.string());
}

namespace {

void PrintChannel(const char* name, const TChannelBlock& p) {
    std::printf("%s port %u, baud %d, %u-%c-%u, function %u, spike filter %u\n", name, p.ComNumber,
                p.Baud, p.DataBits, "NOEMS"[p.Parity < 5 ? p.Parity : 0], p.StopBits, p.Function,
                p.SpikeFilter);
    std::printf("                 stations");
    const int n = std::clamp(p.StationCount, 0, 16);
    for (int i = 0; i < n; ++i) std::printf(" %u", p.StationAddr[i]);
    std::printf(", address bytes %u %u %u %u\n", p.AddrBytes[0], p.AddrBytes[1], p.AddrBytes[2],
                p.AddrBytes[3]);
    for (int i = 0; i < 3; ++i)
        std::printf("                 line %d: bit rate %d, check code %u\n", i + 1,
                    p.Line[i].BitRate, p.Line[i].CheckCode);
}

}  // namespace

int Info(const Words& words) {
    if (WantsHelp(words)) return Help(kInfoHelp);
    CommandLine args({});
    std::string error;
    if (!args.Parse(words, error)) return UsageError(error, "info");
    if (args.Positional().size() != 1) return UsageError("info takes one LOG", "info");
    const std::filesystem::path log = args.Positional()[0];

    Tool tool(false);
    if (const int code = tool.Start(); code >= 0) return code;
    LogSnapshot snapshot(tool);
    if (!snapshot.Open(log)) return kExitFailed;
    const TTelLog& l = tool.ctx().log;
    const TLogHeader& h = l.Header();
    const TLogDirectory& d = l.Directory();
    const std::uint32_t inUse = (d.CurrentBlock + d.BlockCount - d.OldestBlock) % d.BlockCount + 1;
    std::printf("file:            %s\n", log.c_str());
    std::printf("header:          %u bytes, length in use %u%s\n", h.HeaderSize, h.FileLength,
                h.FileLength == 0 ? " (not finished)" : "");
    std::printf("blocks:          %u in the ring, oldest %u, current %u, %u in use\n", d.BlockCount,
                d.OldestBlock, d.CurrentBlock, inUse);
    std::printf("records:         %u", l.RecordCount());
    if (l.RecordCount() != 0) std::printf(" (numbers %u to %u)", d.OldestSeqNo, d.NewestSeqNo);
    std::printf("\n");
    if (l.RecordCount() != 0) {
        std::printf("first:           %s\n", DateTimeText(d.OldestTime).c_str());
        std::printf("last:            %s\n", DateTimeText(d.NewestTime).c_str());
    }
    const TGeneralParams& g = h.General;
    std::printf("protocol:        variant %d, traffic kind %d, data sync %d, log size %d\n",
                g.ProtocolVariant, g.TrafficKind, g.DataSync, g.LogSize);
    PrintChannel("channel 1:      ", h.Channel1);
    PrintChannel("channel 2:      ", h.Channel2);
    return kExitOk;
}

}  // namespace vadrix::cli
