#pragma once
// The program with its window: the common start, the command line, the engine on the main
// timer, the main window, and the close in its order.

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vadrix {

struct ProgramOptions {
    std::vector<std::string> words;  // the command line after the program's name
    // Other folders for the configuration, the data and the instance slots (the demo and
    // the screenshots use their own).
    std::optional<std::filesystem::path> configHome;
    std::optional<std::filesystem::path> dataHome;
    std::optional<std::filesystem::path> lockDirectory;
    std::vector<std::pair<int, std::string>> ports;  // port number -> device, this run only
};

// Needs a QApplication; returns the exit code (99 without a language table).
int RunProgram(const ProgramOptions& options);

}  // namespace vadrix
