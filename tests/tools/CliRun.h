#pragma once
// Runs vadrix-cli as a user would: a copy of the tool beside the language files in a fresh
// folder that is also the user's home, so that nothing of the machine's own set-up counts.

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/TempDir.h"

namespace vadrix::testing {

struct CliRun {
    int exitCode = -1;
    std::string output;  // standard output, with standard error when merged
    std::string errors;  // standard error unless merged
};

inline std::string ReadText(const std::filesystem::path& file) {
    return ReadFileText(file);
}

// Runs "./vadrix-cli args" in dir; standard error goes with the output when merged.
inline CliRun RunCli(const TempDir& dir, const std::string& args, bool merged = true) {
    const std::string home = dir.path().string();
    const std::string errFile = home + "/.stderr";
    const std::string command =
        "cd '" + home + "' && HOME='" + home + "' XDG_CONFIG_HOME='" + home +
        "/config' XDG_DATA_HOME='" + home + "/data' XDG_RUNTIME_DIR='" + home + "' TMPDIR='" +
        home + "' ./vadrix-cli " + args + (merged ? " 2>&1" : " 2>'" + errFile + "'");
    CliRun r;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) return r;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.output.append(buf, n);
    const int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (!merged) r.errors = ReadText(errFile);
    return r;
}

inline void PlaceCli(const TempDir& dir) {
    std::filesystem::copy_file(VADRIX_CLI, dir / "vadrix-cli");
}

inline bool HaveLanguageFiles() {
    return std::filesystem::exists(std::filesystem::path(VADRIX_SOURCE_DIR) / "lang/Q5Text.ger");
}

// The tool with both language files beside it.
inline void PlaceCliWithTexts(const TempDir& dir) {
    PlaceCli(dir);
    const std::filesystem::path lang = std::filesystem::path(VADRIX_SOURCE_DIR) / "lang";
    std::filesystem::copy_file(lang / "Q5Text.ger", dir / "Q5Text.ger");
    std::filesystem::copy_file(lang / "Q5Text.usa", dir / "Q5Text.usa");
}

}  // namespace vadrix::testing
