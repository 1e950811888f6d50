// vadrix-sim monitor: the monitor device of protocol variants 0 and 1 on a simulated
// telecontrol link.

#include <charconv>
#include <chrono>
#include <cstdio>

#include "MonitorDevice.h"
#include "MonitorScenario.h"
#include "SimCommands.h"
#include "SimLine.h"
#include "SimLog.h"
#include "SimRun.h"
#include "runtime/QtClock.h"

namespace vadrix::sim {
namespace {

constexpr const char* kMonitorHelp =
    "usage: vadrix-sim monitor (--tty PATH | --pty) [--link NAME] [-q] [--scenario FILE]\n"
    "                          [--faults RATE] [--seed N] [--file-out FILE]\n"
    "The monitor device of protocol variants 0 and 1 (38400 baud, 8 data bits, even parity,\n"
    "1 stop bit). It answers the program's configuration telegram (envelope kind 1) and takes\n"
    "the bit rates and check codes it carries; it takes transfer-file blocks (answering each\n"
    "with kind 5); it reports every telegram of a simulated telecontrol link on the lines E1,\n"
    "S and E2 bit by bit with its check bits (kind 2), once it has been configured; it sends\n"
    "the program's telegrams on line S and reports them back as line-S telegrams; it sends\n"
    "texts (kind 0) when it starts, is configured or has received a file. A telegram of n\n"
    "bits at r bit/s takes n/r seconds on its line.\n"
    "options:\n"
    "  --scenario FILE   the stations and telegrams of the link (default: a built-in one,\n"
    "                    printed by --show-scenario)\n"
    "  --show-scenario   print the built-in scenario and end\n"
    "  --faults RATE     the share of telegrams damaged, 0..1 (default 0): check bits wrong,\n"
    "                    a wrong bit count, device status 12, or both of the last two\n"
    "  --seed N          makes values and faults repeatable (default: from the clock; the\n"
    "                    log names the seed used)\n"
    "  --file-out FILE   write a received transfer file here\n";

std::vector<cli::OptionSpec> MonitorOptionSpecs() {
    std::vector<cli::OptionSpec> specs = LineOptions();
    specs.push_back({"--scenario", "", true});
    specs.push_back({"--show-scenario", "", false});
    specs.push_back({"--faults", "", true});
    specs.push_back({"--seed", "", true});
    specs.push_back({"--file-out", "", true});
    return specs;
}

bool ReadRate(const std::string& text, double& rate) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), rate);
    return ec == std::errc() && end == text.data() + text.size() && rate >= 0 && rate <= 1;
}

// A directory or an unreadable file gives false, never an exception.
bool ReadWholeFile(const std::string& file, std::string& text) {
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (f == nullptr) return false;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
    const bool ok = std::ferror(f) == 0;
    std::fclose(f);
    return ok;
}

// The scenario of --scenario, or the built-in one: kExitOk, kExitFailed when the file
// cannot be read, kExitUsage when its text is faulty.
int ReadScenario(const cli::CommandLine& args, MonitorScenario& scenario, std::string& error) {
    const auto file = args.Value("--scenario");
    if (!file) return ParseScenario(kDefaultScenario, scenario, error) ? kExitOk : kExitUsage;
    std::string text;
    if (!ReadWholeFile(*file, text)) {
        error = "cannot read the scenario " + *file;
        return kExitFailed;
    }
    if (ParseScenario(text, scenario, error)) return kExitOk;
    error = *file + ", " + error;
    return kExitUsage;
}

}  // namespace

int Monitor(const Words& words) {
    if (WantsHelp(words)) {
        std::printf("%s%s%s", kMonitorHelp, kLineOptionsHelp, kScenarioHelp);
        return kExitOk;
    }
    cli::CommandLine args(MonitorOptionSpecs());
    std::string error;
    if (!args.Parse(words, error)) return UsageError("monitor", error);
    if (!args.Positional().empty()) return UsageError("monitor", "takes no arguments");
    if (args.Has("--show-scenario")) {
        std::fputs(kDefaultScenario, stdout);
        return kExitOk;
    }

    MonitorOptions options;
    if (const auto rate = args.Value("--faults"); rate && !ReadRate(*rate, options.faultRate))
        return UsageError("monitor", "--faults takes a share from 0 to 1, not '" + *rate + "'");
    if (const auto seed = args.Value("--seed")) {
        const auto n = cli::ParseNumber(*seed, 0, 0xFFFFFFFFll);
        if (!n) return UsageError("monitor", "--seed takes a number, not '" + *seed + "'");
        options.seed = static_cast<std::uint32_t>(*n);
    } else {
        options.seed = static_cast<std::uint32_t>(
            std::chrono::system_clock::now().time_since_epoch().count() & 0xFFFFFFFF);
    }
    options.fileOut = args.Value("--file-out").value_or("");
    MonitorScenario scenario;
    if (const int read = ReadScenario(args, scenario, error); read == kExitUsage) {
        return UsageError("monitor", error);
    } else if (read != kExitOk) {
        std::fprintf(stderr, "vadrix-sim monitor: %s\n", error.c_str());
        return read;
    }

    SimLine line;
    if (!line.Open(args, kMonitorLineSettings, error)) {
        std::fprintf(stderr, "vadrix-sim monitor: %s\n", error.c_str());
        return kExitFailed;
    }
    QtClock clock;
    MonitorDevice device(line.Port(), clock, scenario, options);
    return RunDevice(line.Port(), device);
}

}  // namespace vadrix::sim
