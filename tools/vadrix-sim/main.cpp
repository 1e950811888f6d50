// vadrix-sim: the devices and stations on the far side of the line, for trying the program
// and for testing it end to end.

#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "SimCommands.h"
#include "SimLine.h"

namespace vadrix::sim {
namespace {

// The subcommands in the order the usage lists them; a new one is one more line here.
struct Command {
    const char* name;
    const char* summary;
    int (*run)(const Words&);
};

const std::vector<Command> kCommands = {
    {"echo", "send every byte straight back, as a loop-back plug does", Echo},
    {"field", "a field device: system-operation terminal and parameter programming", Field},
    {"monitor", "the monitor device of variants 0 and 1 on a simulated link", Monitor},
    {"station", "protocol stations of the direct variant, answering or polling", Station},
};

void Usage(std::FILE* to) {
    std::fputs("usage: vadrix-sim COMMAND [OPTIONS]\ncommands:\n", to);
    for (const Command& c : kCommands) std::fprintf(to, "  %-9s %s\n", c.name, c.summary);
    std::fputs("every command works on a line given by:\n", to);
    std::fputs(kLineOptionsHelp, to);
    std::fputs(
        "'vadrix-sim COMMAND --help' describes a command's own options.\n"
        "The simulator logs what it does on standard error and stops on SIGINT or SIGTERM.\n",
        to);
}

}  // namespace

int UsageError(const char* command, const std::string& message) {
    std::fprintf(stderr, "vadrix-sim %s: %s\n(see 'vadrix-sim %s --help')\n", command,
                 message.c_str(), command);
    return kExitUsage;
}

bool WantsHelp(const Words& words) {
    for (const std::string& w : words)
        if (w == "--help" || w == "-h") return true;
    return false;
}

}  // namespace vadrix::sim

int main(int argc, char** argv) {
    using namespace vadrix::sim;
    QCoreApplication app(argc, argv);
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        Usage(argc < 2 ? stderr : stdout);
        return argc < 2 ? kExitUsage : kExitOk;
    }
    const std::string command = argv[1];
    const Words words(argv + 2, argv + argc);
    for (const Command& c : kCommands)
        if (command == c.name) return c.run(words);
    std::fprintf(stderr, "vadrix-sim: unknown command '%s'\n", command.c_str());
    Usage(stderr);
    return kExitUsage;
}
