#pragma once
// The shared run-time values of the whole program.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vadrix {

struct TRunState {
    std::filesystem::path ProgramDirectory;  // directory of the executable
    std::filesystem::path DataDirectory;     // settings, logs and other data files
    std::filesystem::path LogFilePath;       // the log file in use
    std::filesystem::path AuxFilePath;       // the send telegram file in use
    int InstanceNumber = 1;
    bool InstanceFound = false;

    std::uint32_t TickCount = 0;
    std::uint32_t TickPeriodMs = 60;
    std::int32_t ClockOffsetMs = 0;
    std::uint32_t LastCounterMs = 0;  // to notice the counter's wrap

    // Taken from the text table after each load.
    char NumberExtraChar = '\0';
    char BitChars[2] = {'0', '1'};
    char FieldSeparator = '\t';
    std::filesystem::path HelpFile;

    std::uint8_t MaxStation = 127;
    std::uint8_t NoStation = 0;
    int UserDataOffset = 4;

    // Command line
    bool LogFromFile = false;
    bool TestMode = false;       // switch "t"
    bool DisplayTiming = false;  // switch "t2"

    bool SendFileModified = false;
    bool TimeTriggers = false;  // a send telegram or list starts at given minutes
    bool LogErrorFlag = false;  // a log block or header could not be written
    std::vector<int> PresentPorts;  // port scan, up to 64 numbers
    bool TransferFileOpen = false;  // a file transfer to the monitor device is under way
};

}  // namespace vadrix
