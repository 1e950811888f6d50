// vadrix: the program with its main window. `vadrix --demo [direct|monitor]` starts it on
// simulated lines in a data directory of its own.

#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "gui/app/ProgramMain.h"
#include "runtime/Demo.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vadrix::ProgramOptions options;
    for (int i = 1; i < argc; ++i) options.words.emplace_back(argv[i]);

    vadrix::DemoLine demo;
    if (!options.words.empty() && options.words.front() == "--demo") {
        // The mode may be left out; words after it go to the program's command line.
        std::size_t next = 1;
        std::string word;
        if (options.words.size() > 1 && options.words[1].rfind('-', 0) != 0)
            word = options.words[next++];
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
        std::vector<std::string> rest(options.words.begin() + static_cast<std::ptrdiff_t>(next),
                                      options.words.end());
        options.words = launch.words;
        options.words.insert(options.words.end(), rest.begin(), rest.end());
        options.configHome = launch.configHome;
        options.dataHome = launch.dataHome;
        options.lockDirectory = launch.lockDirectory;
        options.ports = launch.ports;
    }
    const int code = vadrix::RunProgram(options);
    demo.Stop();  // quitting the program ends the simulated line
    return code;
}
