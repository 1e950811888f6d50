// vadrix-sim station: protocol stations of the direct variant on the far side of the line.
// Without --poll they answer the program's polling channel; with --poll they poll the
// program's answering channel.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>

#include "SimCommands.h"
#include "SimLine.h"
#include "SimLog.h"
#include "SimRun.h"
#include "StationDevice.h"
#include "StationPoller.h"

namespace vadrix::sim {
namespace {

constexpr const char* kStationHelp =
    "usage: vadrix-sim station --address N[,N...] (--tty PATH | --pty) [OPTIONS]\n"
    "Plays protocol stations of the direct variant (frames 0x68 L L 0x68 ... 0x16 and\n"
    "0x10 ... 0x16). Without --poll the stations answer a polling master, the program's\n"
    "channel in function 3: a general poll is answered by one station with data, a station\n"
    "polled by its address sends its next telegram with a sequence number, or the short\n"
    "answer when it has nothing; it restarts its numbering, takes acknowledgements and\n"
    "repeats a telegram when the master asks. Their values change over time: indications\n"
    "(object 100) toggle, measured values (600) drift, a counter (200) counts.\n"
    "With --poll it is the polling master of these addresses instead, for the program's\n"
    "answering channel in function 4.\n"
    "options:\n"
    "  --address N[,N...]  the stations' addresses, 1..127, at most 15\n"
    "  --poll              poll the stations instead of answering\n"
    "  --cycle MS          with --poll: the polling cycle (default 1000)\n"
    "  --interval MS       mean time between two changes of a station's values (default 1000)\n"
    "  --baud N            line speed (default 9600)\n"
    "  --format DPS        data bits, parity (N, O, E, M, S) and stop bits (default 8E1)\n"
    "  --seed N            makes the values and faults of a run repeatable\n"
    "  --faults RATE       damage this share (0..1) of the frames sent: checksum, length or\n"
    "                      stop byte, each logged\n";

constexpr int kMaxStations = 15;

std::vector<cli::OptionSpec> StationOptionSpecs() {
    std::vector<cli::OptionSpec> specs = LineOptions();
    for (const char* name :
         {"--address", "--cycle", "--interval", "--baud", "--format", "--seed", "--faults"})
        specs.push_back({name, "", true});
    specs.push_back({"--poll", "", false});
    return specs;
}

bool ReadAddresses(const std::vector<std::string>& values, std::vector<int>& out,
                   std::string& error) {
    for (const std::string& value : values) {
        std::stringstream in(value);
        for (std::string word; std::getline(in, word, ',');) {
            const auto n = cli::ParseNumber(word, 1, 127);
            if (!n) {
                error = "--address takes station numbers from 1 to 127, not '" + word + "'";
                return false;
            }
            if (std::find(out.begin(), out.end(), *n) != out.end()) {
                error = "--address gives station " + word + " twice";
                return false;
            }
            out.push_back(static_cast<int>(*n));
        }
    }
    if (out.empty()) {
        error = "give the stations with --address N[,N...]";
        return false;
    }
    if (out.size() > kMaxStations) {
        error = "at most 15 stations";
        return false;
    }
    return true;
}

bool ReadFormat(const std::string& text, SerialSettings& s, std::string& error) {
    const std::string parities = "NOEMS";
    const bool ok =
        text.size() == 3 && text[0] >= '5' && text[0] <= '8' &&
        parities.find(static_cast<char>(std::toupper(static_cast<unsigned char>(text[1])))) !=
            std::string::npos &&
        (text[2] == '1' || text[2] == '2');
    if (!ok) {
        error = "--format takes data bits, parity and stop bits such as 8E1, not '" + text + "'";
        return false;
    }
    s.dataBits = static_cast<std::uint8_t>(text[0] - '0');
    s.parity = static_cast<Parity>(
        parities.find(static_cast<char>(std::toupper(static_cast<unsigned char>(text[1])))));
    s.stopBits = static_cast<std::uint8_t>(text[2] - '0');
    return true;
}

bool ReadNumber(const cli::CommandLine& args, const char* option, long long lo, long long hi,
                std::uint32_t& out, std::string& error) {
    const auto v = args.Value(option);
    if (!v) return true;
    const auto n = cli::ParseNumber(*v, lo, hi);
    if (!n) {
        error = std::string(option) + " takes a number from " + std::to_string(lo) + " to " +
                std::to_string(hi) + ", not '" + *v + "'";
        return false;
    }
    out = static_cast<std::uint32_t>(*n);
    return true;
}

bool ReadRate(const cli::CommandLine& args, double& out, std::string& error) {
    const auto v = args.Value("--faults");
    if (!v) return true;
    char* end = nullptr;
    const double r = std::strtod(v->c_str(), &end);
    if (v->empty() || end != v->c_str() + v->size() || !(r >= 0 && r <= 1)) {
        error = "--faults takes a share from 0 to 1, not '" + *v + "'";
        return false;
    }
    out = r;
    return true;
}

bool ReadOptions(const cli::CommandLine& args, StationOptions& o, SerialSettings& line,
                 std::string& error) {
    if (!args.Positional().empty()) {
        error = "takes no arguments";
        return false;
    }
    o.seed = std::random_device{}();
    if (!ReadAddresses(args.Values("--address"), o.addresses, error) ||
        !ReadNumber(args, "--baud", 50, 4000000, o.baud, error) ||
        !ReadNumber(args, "--cycle", 50, 3600000, o.cycleMs, error) ||
        !ReadNumber(args, "--interval", 10, 3600000, o.intervalMs, error) ||
        !ReadNumber(args, "--seed", 0, 4294967295LL, o.seed, error) ||
        !ReadRate(args, o.faults, error))
        return false;
    line.baud = o.baud;
    return !args.Value("--format") || ReadFormat(*args.Value("--format"), line, error);
}

std::string List(const std::vector<int>& addresses) {
    std::string s;
    for (const int a : addresses) s += (s.empty() ? "" : ",") + std::to_string(a);
    return s;
}

}  // namespace

int Station(const Words& words) {
    if (WantsHelp(words)) {
        std::printf("%s%s", kStationHelp, kLineOptionsHelp);
        return kExitOk;
    }
    cli::CommandLine args(StationOptionSpecs());
    std::string error;
    StationOptions options;
    SerialSettings settings;
    if (!args.Parse(words, error) || !ReadOptions(args, options, settings, error))
        return UsageError("station", error);
    SimLine line;
    if (!line.Open(args, settings, error)) {
        std::fprintf(stderr, "vadrix-sim station: %s\n", error.c_str());
        return kExitFailed;
    }
    const bool poll = args.Has("--poll");
    SimLog("station: %s %s at %u baud, seed %u, faults %.3g", poll ? "polling" : "stations",
           List(options.addresses).c_str(), options.baud, options.seed, options.faults);
    if (poll) {
        StationPoller device(line.Port(), options);
        return RunDevice(line.Port(), device);
    }
    StationDevice device(line.Port(), options);
    return RunDevice(line.Port(), device);
}

}  // namespace vadrix::sim
