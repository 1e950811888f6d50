// vadrix-cli: the headless tool. Runs the program's common start and works on logs without a
// window: dump, copy, info, import of captures and the set-up of send telegram files.

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "CliTool.h"
#include "Commands.h"
#include "app/DataFiles.h"
#include "common/TextIds.h"

namespace vadrix::cli {
namespace {

// The commands in the order the usage lists them; a new command is one more line here.
struct Command {
    const char* name;
    const char* summary;
    int (*run)(const Words&);
};

const Command kCommands[] = {
    {"status", "run the program's start and show instance, data directory and settings", Status},
    {"dump", "write the interpreted lines of a log as text or JSON", Dump},
    {"copy", "copy the records of a log into a new log, numbered from 1", Copy},
    {"info", "show the header and directory of a log", Info},
    {"import", "frame a capture of received bytes and store it in a new log", Import},
    {"setup", "show or change the simulation set-up of a send telegram file", Setup},
    {"run", "go online without a window and print every record as it arrives", Run},
};

void Usage(std::FILE* to) {
    std::fputs("usage: vadrix-cli COMMAND [OPTIONS]\ncommands:\n", to);
    for (const Command& c : kCommands) std::fprintf(to, "  %-9s %s\n", c.name, c.summary);
    std::fputs(
        "'vadrix-cli COMMAND --help' describes a command's options.\n"
        "Only 'status' and 'run' take an instance slot of the program; the other commands open\n"
        "the log they are given for reading only and write only the file they are told to.\n",
        to);
}

}  // namespace

int Status(const Words& words) {
    if (WantsHelp(words)) {
        std::fputs(
            "usage: vadrix-cli status\nRuns the program's start, taking an instance "
            "slot, and shows what it found.\n",
            stdout);
        return kExitOk;
    }
    if (!words.empty()) return UsageError("status takes no arguments", "status");
    Tool tool(true);
    if (const int code = tool.Start(); code >= 0) return code;
    Context& ctx = tool.ctx();
    std::printf("instance:        %d\n", ctx.run.InstanceNumber);
    std::printf("program folder:  %s\n", ctx.run.ProgramDirectory.c_str());
    std::printf("data directory:  %s\n", ctx.run.DataDirectory.c_str());
    std::printf("settings file:   %s\n", DataFileName(ctx, txt::kSettingsFileName).c_str());
    std::printf("live log:        %s\n", DataFileName(ctx, txt::kLogFileName).c_str());
    std::printf("language:        %s\n", ctx.settings.Language == 1 ? "usa" : "ger");
    std::printf("channel 1 baud:  %d\n", ctx.emse1.P.Baud);
    std::printf("protocol:        %d\n", ctx.general.ProtocolVariant);
    return kExitOk;
}

}  // namespace vadrix::cli

namespace {

// PDF pages need fonts and painting, which a Gui application brings; the tool never shows a
// window, so it paints off screen and runs without a display.
bool NeedsPainting(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "dump") != 0) return false;
    for (int i = 2; i < argc; ++i)
        if (std::strcmp(argv[i], "--pdf") == 0) return true;
    return false;
}

std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv) {
    if (!NeedsPainting(argc, argv)) return std::make_unique<QCoreApplication>(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vadrix::cli;
    const std::unique_ptr<QCoreApplication> app = MakeApplication(argc, argv);
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        Usage(argc < 2 ? stderr : stdout);
        return argc < 2 ? kExitUsage : kExitOk;
    }
    const std::string command = argv[1];
    const Words words(argv + 2, argv + argc);
    for (const Command& c : kCommands)
        if (command == c.name) return c.run(words);
    Error("unknown command '" + command + "'");
    Usage(stderr);
    return kExitUsage;
}
