// vadrix-sim field: a field device for the program's system-operation terminal (variant 3)
// and its parameter programming (variant 4).

#include <cstdio>

#include "FieldDevice.h"
#include "SimCommands.h"
#include "SimLine.h"
#include "SimLog.h"
#include "SimRun.h"

namespace vadrix::sim {
namespace {

constexpr const char* kFieldHelp =
    "usage: vadrix-sim field (--tty PATH | --pty) [OPTIONS]\n"
    "Plays a field device at 300 bit/s, 7 data bits, even parity, 2 stop bits. It echoes\n"
    "what it receives; typed commands 'V' (version) and 'S' (station parameters) answer a\n"
    "line. The programming protocol: 'X' wakes it, 'flSSSS~LLLL' CR reads and 'fpSSSS~LLLL'\n"
    "CR writes LLLL bytes of its parameter memory from address SSSS (hexadecimal) at 9600\n"
    "bit/s, 8E2, with 0x06 handshakes; 'IB' and 'IA' open and close writing.\n"
    "options:\n"
    "  --memory FILE     keep the 64 KiB parameter memory in FILE, written after each write;\n"
    "                    a missing FILE is created (0xFF, with station parameters at EFF0)\n"
    "  --stop-after N    the next read sends only N bytes and no answer\n";

std::vector<cli::OptionSpec> FieldOptionSpecs() {
    std::vector<cli::OptionSpec> specs = LineOptions();
    specs.push_back({"--memory", "", true});
    specs.push_back({"--stop-after", "", true});
    return specs;
}

bool ReadOptions(const cli::CommandLine& args, FieldOptions& o, std::string& error) {
    if (!args.Positional().empty()) {
        error = "takes no arguments";
        return false;
    }
    if (const auto file = args.Value("--memory")) o.memoryFile = *file;
    if (const auto v = args.Value("--stop-after")) {
        const auto n = cli::ParseNumber(*v, 0, 0x2000);
        if (!n) {
            error = "--stop-after takes a number of bytes from 0 to 8192, not '" + *v + "'";
            return false;
        }
        o.stopAfter = static_cast<std::size_t>(*n);
    }
    return true;
}

}  // namespace

int Field(const Words& words) {
    if (WantsHelp(words)) {
        std::printf("%s%s", kFieldHelp, kLineOptionsHelp);
        return kExitOk;
    }
    cli::CommandLine args(FieldOptionSpecs());
    std::string error;
    FieldOptions options;
    if (!args.Parse(words, error) || !ReadOptions(args, options, error))
        return UsageError("field", error);
    FieldMemory memory = FreshFieldMemory();
    if (!options.memoryFile.empty() && !LoadFieldMemory(options.memoryFile, memory, error)) {
        std::fprintf(stderr, "vadrix-sim field: %s\n", error.c_str());
        return kExitFailed;
    }
    SimLine line;
    if (!line.Open(args, kFieldTextMode, error)) {
        std::fprintf(stderr, "vadrix-sim field: %s\n", error.c_str());
        return kExitFailed;
    }
    SimLog("field: memory %s%s", options.memoryFile.empty() ? "in the process only" : "in ",
           options.memoryFile.string().c_str());
    FieldDevice device(line.Port(), memory, options);
    return RunDevice(line.Port(), device);
}

}  // namespace vadrix::sim
