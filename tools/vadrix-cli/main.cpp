// vadrix-cli: the headless tool. Runs the program's common start and works on logs without a
// window.

#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "common/Context.h"
#include "common/DataFiles.h"
#include "common/Language.h"
#include "common/Startup.h"
#include "common/TextIds.h"
#include "runtime/ConsoleUserInterface.h"
#include "runtime/DesktopPlatform.h"
#include "runtime/QtClock.h"
#include "runtime/QtEventLoop.h"

namespace {

void Usage() {
    std::fputs(
        "usage: vadrix-cli COMMAND [OPTIONS]\n"
        "commands:\n"
        "  status    run the program's start and show instance, data directory and settings\n",
        stderr);
}

int Status(vadrix::Context& ctx) {
    using vadrix::txt::kLogFileName;
    std::printf("instance:        %d\n", ctx.run.InstanceNumber);
    std::printf("program folder:  %s\n", ctx.run.ProgramDirectory.c_str());
    std::printf("data directory:  %s\n", ctx.run.DataDirectory.c_str());
    std::printf("settings file:   %s\n",
                vadrix::DataFileName(ctx, vadrix::txt::kSettingsFileName).c_str());
    std::printf("live log:        %s\n", vadrix::DataFileName(ctx, kLogFileName).c_str());
    std::printf("language:        %s\n", ctx.settings.Language == 1 ? "usa" : "ger");
    std::printf("channel 1 baud:  %d\n", ctx.emse1.P.Baud);
    std::printf("protocol:        %d\n", ctx.general.ProtocolVariant);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        Usage();
        return argc < 2 ? 2 : 0;
    }
    const std::string command = argv[1];

    vadrix::QtClock clock;
    vadrix::QtEventLoop loop;
    vadrix::ConsoleUserInterface ui;
    vadrix::DesktopPlatform platform;
    auto ctx = std::make_unique<vadrix::Context>(clock, loop, ui);

    switch (vadrix::InitCommon(*ctx, platform)) {
        case vadrix::StartOutcome::kTextTableFailed:
            return vadrix::kExitTextTable;
        case vadrix::StartOutcome::kNoInstance:
            std::fputs("vadrix-cli: two copies of the program run already\n", stderr);
            return 3;
        case vadrix::StartOutcome::kRun:
            break;
    }
    if (command == "status") return Status(*ctx);
    std::fprintf(stderr, "vadrix-cli: unknown command '%s'\n", command.c_str());
    Usage();
    return 2;
}
