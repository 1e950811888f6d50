#pragma once
// The shared run-time values of the whole program.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vadrix {

// Fault words that a supervising part of the program fills; the main timer checks them.
struct TFaultRecord {
    std::uint32_t A = 0;  // fault words; both 0: no fault
    std::uint32_t B = 0;
    std::uint32_t C = 0;
    std::uint32_t RetryAllowance = 0;
    std::uint32_t RetryCount = 0;
    std::uint32_t D = 0;
};

struct TRunState {
    std::filesystem::path ProgramDirectory;  // directory of the executable
    std::filesystem::path DataDirectory;     // settings, logs and other data files
    std::filesystem::path LogFilePath;       // the log file in use
    std::filesystem::path AuxFilePath;       // the send telegram file in use
    int InstanceNumber = 1;
    bool InstanceFound = false;

    std::uint32_t TickCount = 0;
    std::uint32_t TickPeriodMs = 60;
    std::uint32_t OnlineApplyTick = 0;   // the stored online state is applied at this tick
    std::uint32_t LastMinute = 60;       // minute of the last minute check
    std::uint32_t LastMeasureMs = 0;     // ms of the day at the last period measurement
    std::uint32_t DisplayStepCount = 0;  // counts the online display steps since a reset
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
    int OpenSendEditor = 0;     // 0 none, 1 the telegram editor, 2 the list editor
    bool TimeTriggers = false;  // a send telegram or list starts at given minutes
    bool LogErrorFlag = false;  // a log block or header could not be written
    TFaultRecord FaultRecord{};
    bool FaultFlag = false;         // the fault record's check takes the program offline
    std::vector<int> PresentPorts;  // port scan, up to 64 numbers
    bool TransferFileOpen = false;  // a file transfer to the monitor device is under way
};

}  // namespace vadrix
