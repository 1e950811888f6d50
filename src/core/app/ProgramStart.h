#pragma once
// The program's start after the common services and its close, as far as no window is
// needed: the command line, the send telegram file, the live log with its age check, the
// object descriptions, the port check; at the end ports, log and send telegram file in
// order.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/Context.h"
#include "common/Platform.h"
#include "interpret/Descriptions.h"

namespace vadrix {

// What the command line named.
struct ProgramArguments {
    std::filesystem::path logFile;          // empty: the live log
    std::filesystem::path sendFile;         // empty: the last one used, else the default
    std::filesystem::path descriptionFile;  // empty: the stored one, else the default
    std::vector<std::string> ignored;       // words that meant nothing
    bool onlineWord = false;                // the word for offline or online was given
};

// The file's extension is ext (an extension text, with or without its dot), in any case.
bool HasExtension(const std::filesystem::path& file, std::string_view ext);

// Reads the switches "t" and "t2" (after "-" or "/", any case), files by their extension
// and the words for offline and online (texts 673 and 674, any case).
ProgramArguments ReadCommandLine(Context& ctx, const std::vector<std::string>& args);

// The send telegram file, the log (with the age check of the daily log) and the object
// descriptions, in that order; a send telegram file named without a log file is loaded
// again afterwards so that its settings win over the log header's. A description file that
// cannot be loaded is forgotten.
void OpenStartFiles(Context& ctx, const ProgramArguments& line, Descriptions& descriptions);

// A configured port that is not present keeps the program offline.
void CheckConfiguredPorts(Context& ctx, const std::vector<int>& presentPorts);

// Closing: ports before the log, the send telegram file when it was changed, then the
// settings.
void CloseProgram(Context& ctx, Platform& platform);

}  // namespace vadrix
