// vadrix-sim echo: a loop-back plug. Every byte the program sends comes straight back, which
// checks a line, its character format and the program's own reception without any device.

#include <cstdio>

#include "SimCommands.h"
#include "SimDevice.h"
#include "SimLine.h"
#include "SimLog.h"
#include "SimRun.h"

namespace vadrix::sim {
namespace {

class EchoDevice : public SimDevice {
  public:
    explicit EchoDevice(SerialPort& port) : port_(port) {}
    void Receive(std::span<const std::uint8_t> bytes) override {
        port_.Write(bytes);
        SimLog("echoed %zu bytes", bytes.size());
    }
    void Tick(std::uint32_t) override {}

  private:
    SerialPort& port_;
};

}  // namespace

int Echo(const Words& words) {
    if (WantsHelp(words)) {
        std::printf(
            "usage: vadrix-sim echo (--tty PATH | --pty) [--link NAME] [-q]\n"
            "Sends every byte it receives straight back.\n%s",
            kLineOptionsHelp);
        return kExitOk;
    }
    cli::CommandLine args(LineOptions());
    std::string error;
    if (!args.Parse(words, error)) return UsageError("echo", error);
    if (!args.Positional().empty()) return UsageError("echo", "takes no arguments");
    SimLine line;
    if (!line.Open(args, SerialSettings{}, error)) {
        std::fprintf(stderr, "vadrix-sim echo: %s\n", error.c_str());
        return kExitFailed;
    }
    EchoDevice device(line.Port());
    return RunDevice(line.Port(), device);
}

}  // namespace vadrix::sim
