// The simulator's pseudo-terminal end against the program's own serial port on the other.

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "PtyMasterPort.h"
#include "SimProcess.h"
#include "ToolsQtApp.h"
#include "runtime/SerialPtyPair.h"
#include "runtime/TermiosSerialPort.h"
#include "support/TempDir.h"

namespace vadrix {
namespace {

std::vector<std::uint8_t> Take(SerialPort& port) {
    std::vector<std::uint8_t> got(port.Available());
    got.resize(port.Read(got));
    return got;
}

TEST(SimLineTest, BytesCrossThePairBothWaysUnchanged) {
    testing::EnsureToolsQtApp();
    sim::PtyMasterPort sim;
    std::string error;
    ASSERT_TRUE(sim.Create(error)) << error;

    PortTable table;
    table.Override(3, sim.SlavePath());
    TermiosSerialPort program(table);
    ASSERT_TRUE(program.Open(3, SerialSettings{9600, 8, Parity::kEven, 1}, error)) << error;

    // Every byte value, so that no line discipline of the pair eats or doubles one.
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);

    std::vector<std::uint8_t> atSim, atProgram;
    sim.SetDataHandler([&](std::size_t) {
        const auto got = Take(sim);
        atSim.insert(atSim.end(), got.begin(), got.end());
    });
    program.SetDataHandler([&](std::size_t) {
        const auto got = Take(program);
        atProgram.insert(atProgram.end(), got.begin(), got.end());
    });
    program.Write(all);
    sim.Write(all);
    EXPECT_TRUE(testing::PumpUntil([&] { return atSim.size() >= 256 && atProgram.size() >= 256; }));
    EXPECT_EQ(atSim, all);
    EXPECT_EQ(atProgram, all);
}

// The process as a user starts it: the printed path, the link, the bytes back, and a clean
// stop on SIGTERM that removes the link.
TEST(SimLineTest, EchoSimulatorRunsOnItsPtyAndStopsCleanly) {
    testing::EnsureToolsQtApp();
    testing::TempDir dir;
    const std::string link = (dir / "line").string();
    testing::SimProcess echo({"echo", "--link", link}, (dir / "sim.log").string());
    ASSERT_FALSE(echo.device().empty()) << echo.Log();
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), echo.device());

    PortTable table;
    table.Override(1, link);
    TermiosSerialPort program(table);
    std::string error;
    ASSERT_TRUE(program.Open(1, SerialSettings{}, error)) << error;
    std::vector<std::uint8_t> back;
    program.SetDataHandler([&](std::size_t) {
        const auto got = Take(program);
        back.insert(back.end(), got.begin(), got.end());
    });
    const std::vector<std::uint8_t> sent{0x68, 0x05, 0x05, 0x68, 0xFF, 0x00, 0x16};
    program.Write(sent);
    EXPECT_TRUE(testing::PumpUntil([&] { return back.size() >= sent.size(); }));
    EXPECT_EQ(back, sent);

    EXPECT_EQ(echo.Stop(), 0) << echo.Log();
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    EXPECT_NE(echo.Log().find("echoed 7 bytes"), std::string::npos) << echo.Log();
}

}  // namespace
}  // namespace vadrix
