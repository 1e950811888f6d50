#pragma once
// The line a simulator works on: a given serial device (--tty PATH) or a new pseudo-terminal
// pair (--pty) whose path it prints for the program, optionally behind a symbolic link
// (--link NAME). Every subcommand takes these options.

#include <memory>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "channel/PortTable.h"
#include "channel/SerialPort.h"

namespace vadrix::sim {

// --tty, --pty, --link and --quiet, to be added to a subcommand's own options.
std::vector<cli::OptionSpec> LineOptions();
inline constexpr const char* kLineOptionsHelp =
    "  --tty PATH     work on this serial device\n"
    "  --pty          create a pseudo-terminal pair and print the program's end:\n"
    "                 'pty: /dev/pts/N' as the first line on standard output\n"
    "  --link NAME    also make NAME a symbolic link to that device (removed at exit)\n"
    "  -q, --quiet    log only errors on standard error\n";

class SimLine {
  public:
    SimLine() = default;
    ~SimLine();
    SimLine(const SimLine&) = delete;
    SimLine& operator=(const SimLine&) = delete;

    // Opens the line the options name with the device's character format; false with a
    // message when the options name none or the device cannot be opened.
    bool Open(const cli::CommandLine& args, const SerialSettings& settings, std::string& error);
    SerialPort& Port() { return *port_; }
    // The device the program opens.
    const std::string& Device() const { return device_; }

  private:
    PortTable table_;
    std::unique_ptr<SerialPort> port_;
    std::string device_;
    std::string link_;
};

}  // namespace vadrix::sim
