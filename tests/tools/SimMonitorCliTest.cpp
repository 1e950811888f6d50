// As a user tries it: "vadrix-cli setup" for variant 1, "vadrix-sim monitor --pty" with its
// built-in scenario, and "vadrix-cli run --port 1=<pty>", which prints the link decoded
// within seconds.

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>

#include "CliRun.h"
#include "SimProcess.h"

namespace vadrix {
namespace {

TEST(SimMonitorCli, RunShowsTheMonitoredLinkDecodedWithinSeconds) {
    if (!testing::HaveLanguageFiles()) GTEST_SKIP() << "no language files";
    testing::TempDir dir;
    testing::PlaceCliWithTexts(dir);
    const testing::CliRun setup = testing::RunCli(
        dir, "setup mon.st8 general.ProtocolVariant=1 emse1.ComNumber=1 emse2.ComNumber=0");
    ASSERT_EQ(setup.exitCode, 0) << setup.output;
    testing::SimProcess sim({"monitor", "--seed", "5"}, (dir / "sim.log").string());
    ASSERT_FALSE(sim.device().empty()) << sim.Log();

    const testing::CliRun run = testing::RunCli(
        dir, "run mon.st8 --port 1=" + sim.device() + " --lang usa -f 3 --duration 4 --json",
        false);
    ASSERT_EQ(run.exitCode, 0) << run.errors;

    // Telegrams of every line, all good, and the address part of each decoded line read
    // from the envelope's layout: group 0 and the length code of the scenario's telegram.
    const std::regex telegram("\"source\":([123]),.*\"status\":(\\d+),.*\"kind\":3,");
    const std::regex addressPart(" [0-9 ]{3}  0 [456]\"\\]\\}$");
    std::map<int, int> good;
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (!std::regex_search(line, m, telegram)) continue;
        EXPECT_EQ(m[2], "40") << line;
        EXPECT_TRUE(std::regex_search(line, addressPart)) << line;
        ++good[std::stoi(m[1])];
    }
    EXPECT_GE(good[1], 1) << run.output;
    EXPECT_GE(good[2], 1) << run.output;
    EXPECT_GE(good[3], 1) << run.output;
    // The device's text after the configuration is shown too.
    EXPECT_NE(run.output.find("configured: E1 200 bit/s check 0"), std::string::npos) << run.output;
    EXPECT_EQ(sim.Stop(), 0) << sim.Log();
}

// Options and scenarios the simulator cannot use end it before it opens a line: exit 2 for
// what the user wrote wrong, 1 for a file it cannot read, with the reason.
TEST(SimMonitorCli, RefusesBadOptionsAndScenariosWithTheirReason) {
    testing::TempDir dir;
    dir.Write("bad.txt", "station 5 on E1\nmeasured 600\n");
    struct Case {
        std::string args;
        int exitCode;
        const char* says;
    };
    const Case cases[] = {
        {"--faults 2", 2, "--faults takes a share from 0 to 1, not '2'"},
        {"--faults -0.1", 2, "--faults takes a share from 0 to 1"},
        {"--seed x", 2, "--seed takes a number, not 'x'"},
        {"--scenario " + (dir / "bad.txt").string(), 2, "bad.txt, line 2: a telegram needs"},
        {"--scenario " + dir.path().string(), 1, "cannot read the scenario"},
        {"--scenario " + (dir / "none.txt").string(), 1, "cannot read the scenario"},
        {"extra", 2, "takes no arguments"},
    };
    for (const Case& c : cases) {
        const std::string command = std::string(VADRIX_SIM) + " monitor --pty " + c.args + " 2>&1";
        std::string output;
        FILE* p = popen(command.c_str(), "r");
        ASSERT_NE(p, nullptr);
        char buf[1024];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) output.append(buf, n);
        const int status = pclose(p);
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.exitCode) << c.args;
        EXPECT_NE(output.find(c.says), std::string::npos) << c.args << ": " << output;
        EXPECT_EQ(output.find("pty: "), std::string::npos) << c.args << " opened a line";
    }
}

}  // namespace
}  // namespace vadrix
