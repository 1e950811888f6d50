// vadrix-cli runs the program's common start: language file beside the executable, instance
// slot, data directory.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdio>
#include <cstdlib>

#include "support/TempDir.h"

namespace vadrix {
namespace {

struct CliRun {
    int exitCode = -1;
    std::string output;
};

// Runs a copy of vadrix-cli placed in dir, with the user's folders inside dir.
CliRun RunCli(const testing::TempDir& dir, const std::string& args) {
    const std::string home = dir.path().string();
    const std::string command = "cd '" + home + "' && HOME='" + home + "' XDG_CONFIG_HOME='" +
                                home + "/config' XDG_DATA_HOME='" + home +
                                "/data' XDG_RUNTIME_DIR='" + home + "' ./vadrix-cli " + args +
                                " 2>&1";
    CliRun r;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) return r;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p) != nullptr) r.output += buf;
    const int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

void PlaceCli(const testing::TempDir& dir) {
    std::filesystem::copy_file(VADRIX_CLI, dir / "vadrix-cli");
}

TEST(CliStart, ABadLanguageFileEndsWithItsMessageAndExitCode99) {
    testing::TempDir dir;
    PlaceCli(dir);
    dir.Write("Q5Text.ger", "   0  one text only\n");
    const CliRun r = RunCli(dir, "status");
    EXPECT_EQ(r.exitCode, 99);
    EXPECT_NE(r.output.find("Program text missing/wrong"), std::string::npos) << r.output;
}

TEST(CliStart, WithTheLanguageFilesItFindsItsDataDirectory) {
    const std::filesystem::path lang = std::filesystem::path(VADRIX_SOURCE_DIR) / "lang";
    if (!std::filesystem::exists(lang / "Q5Text.ger")) GTEST_SKIP() << "no language files yet";
    testing::TempDir dir;
    PlaceCli(dir);
    std::filesystem::copy_file(lang / "Q5Text.ger", dir / "Q5Text.ger");
    std::filesystem::copy_file(lang / "Q5Text.usa", dir / "Q5Text.usa");
    const CliRun r = RunCli(dir, "status");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find((dir / "data/Tavrel/DemoQ5/").string()), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("instance:        1"), std::string::npos) << r.output;
}

}  // namespace
}  // namespace vadrix
