// As a user tries the program without a field installation: vadrix-cli setup makes channel 1
// a polling master of stations 5 and 7 in the direct variant, vadrix-sim station plays the
// stations, and vadrix-cli run shows their telegrams decoded within seconds.

#include <gtest/gtest.h>

#include <regex>

#include "CliRun.h"
#include "SimProcess.h"

namespace vadrix {
namespace {

TEST(SimStationCli, RunShowsTheStationsTelegramsDecoded) {
    if (!testing::HaveLanguageFiles()) GTEST_SKIP() << "no language files";
    testing::TempDir dir;
    testing::PlaceCliWithTexts(dir);
    const testing::CliRun setup = testing::RunCli(
        dir,
        "setup stations.st8 general.ProtocolVariant=2 general.TrafficKind=1 emse1.ComNumber=1 "
        "emse1.Baud=9600 emse1.Function=1 emse1.StationAddr=5,7 emse1.StationCount=2 "
        "emse1.InterrogationPeriodMs=500 emse2.ComNumber=0");
    ASSERT_EQ(setup.exitCode, 0) << setup.output;

    testing::SimProcess sim({"station", "--address", "5,7", "--seed", "4", "--interval", "400"},
                            (dir / "sim.log").string());
    ASSERT_FALSE(sim.device().empty()) << sim.Log();
    const testing::CliRun run = testing::RunCli(
        dir, "run stations.st8 --port 1=" + sim.device() + " --lang usa -f 3 --duration 4", false);
    EXPECT_EQ(sim.Stop(), 0) << sim.Log();
    ASSERT_EQ(run.exitCode, 0) << run.errors;

    // Measured values of both stations, decoded as values with their share of full scale,
    // and their indications as bits.
    for (const char* station : {"5", "7"}) {
        const std::string s = station;
        EXPECT_TRUE(std::regex_search(run.output,
                                      std::regex("-?\\d+=\\s*-?\\d+%.*E1\\s+" + s + "\\s+600 spo")))
            << "station " << s << ":\n"
            << run.output;
        EXPECT_TRUE(std::regex_search(run.output,
                                      std::regex("[01]{4} [01]{4}.*E1\\s+" + s + "\\s+100 spo")))
            << "station " << s << ":\n"
            << run.output;
    }
    // Both directions without a single error.
    std::smatch m;
    ASSERT_TRUE(std::regex_search(
        run.output, m,
        std::regex("closed:.*E1: (\\d+) tel\\., 0 errors\\s+S1: (\\d+) tel\\., 0 errors")))
        << run.output;
    EXPECT_GT(std::stoi(m[1]), 6);
}

}  // namespace
}  // namespace vadrix
