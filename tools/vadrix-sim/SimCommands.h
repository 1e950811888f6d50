#pragma once
// The subcommands of vadrix-sim, each in its own file.

#include <string>
#include <vector>

namespace vadrix::sim {

using Words = std::vector<std::string>;

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the line or a file could not be opened
inline constexpr int kExitUsage = 2;   // bad options

// "vadrix-sim COMMAND: message" on standard error; returns kExitUsage.
int UsageError(const char* command, const std::string& message);
// True when the words ask for the command's help.
bool WantsHelp(const Words& words);

int Echo(const Words& words);
int Field(const Words& words);
int Monitor(const Words& words);
int Station(const Words& words);

}  // namespace vadrix::sim
