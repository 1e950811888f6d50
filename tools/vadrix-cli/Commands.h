#pragma once
// The subcommands of vadrix-cli. Each takes the words after its name and returns the exit
// code.

#include <string>
#include <vector>

namespace vadrix::cli {

using Words = std::vector<std::string>;

int Status(const Words& words);
int Dump(const Words& words);
int Copy(const Words& words);
int Info(const Words& words);
int Import(const Words& words);
int Setup(const Words& words);
int Run(const Words& words);

// Whether the words ask for the command's help.
bool WantsHelp(const Words& words);

}  // namespace vadrix::cli
