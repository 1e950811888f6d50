// vadrix-cli runs the program's common start: language file beside the executable, instance
// slot, data directory.

#include <gtest/gtest.h>

#include "CliRun.h"

namespace vadrix::testing {
namespace {

TEST(CliStart, ABadLanguageFileEndsWithItsMessageAndExitCode99) {
    TempDir dir;
    PlaceCli(dir);
    dir.Write("Q5Text.ger", "   0  one text only\n");
    const CliRun r = RunCli(dir, "status");
    EXPECT_EQ(r.exitCode, 99);
    EXPECT_NE(r.output.find("Program text missing/wrong"), std::string::npos) << r.output;
}

TEST(CliStart, WithTheLanguageFilesItFindsItsDataDirectory) {
    const std::filesystem::path lang = std::filesystem::path(VADRIX_SOURCE_DIR) / "lang";
    if (!std::filesystem::exists(lang / "Q5Text.ger")) GTEST_SKIP() << "no language files yet";
    TempDir dir;
    PlaceCli(dir);
    std::filesystem::copy_file(lang / "Q5Text.ger", dir / "Q5Text.ger");
    std::filesystem::copy_file(lang / "Q5Text.usa", dir / "Q5Text.usa");
    const CliRun r = RunCli(dir, "status");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find((dir / "data/Tavrel/DemoQ5/").string()), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("instance:        1"), std::string::npos) << r.output;
}

}  // namespace
}  // namespace vadrix::testing
