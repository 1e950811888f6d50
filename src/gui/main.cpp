// vadrix: the program with its main window. `vadrix --demo [direct|monitor]` starts it on
// simulated lines in a data directory of its own.

#include <QApplication>
#include <cstdio>
#include <string>

#include "gui/app/ProgramMain.h"
#include "runtime/Demo.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vadrix::ProgramOptions options;
    for (int i = 1; i < argc; ++i) options.words.emplace_back(argv[i]);

    vadrix::DemoLine demo;
    if (!options.words.empty() && options.words.front() == "--demo") {
        const std::string word = options.words.size() > 1 ? options.words[1] : "";
        const auto mode = vadrix::ParseDemoMode(word);
        if (!mode) {
            std::fprintf(stderr, "vadrix: --demo takes direct or monitor, not '%s'\n",
                         word.c_str());
            return 2;
        }
        vadrix::DemoLaunch launch;
        std::string error;
        const std::filesystem::path tools = QCoreApplication::applicationDirPath().toStdString();
        if (!demo.Start(*mode, tools, vadrix::DefaultDemoRoot(), launch, error)) {
            std::fprintf(stderr, "vadrix: the demo cannot start: %s\n", error.c_str());
            return 1;
        }
        options.words = launch.words;
        options.configHome = launch.configHome;
        options.dataHome = launch.dataHome;
        options.lockDirectory = launch.lockDirectory;
        options.ports = launch.ports;
    }
    const int code = vadrix::RunProgram(options);
    demo.Stop();  // quitting the program ends the simulated line
    return code;
}
