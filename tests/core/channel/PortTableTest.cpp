// Port numbers and their devices: the table file, overrides and the present ports.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "channel/PortTable.h"

namespace vadrix {
namespace {

TEST(PortTable, ParsesLinesAndReportsBadOnes) {
    PortTable t;
    const auto bad = t.Parse(
        "# comment\n"
        "1 /dev/ttyUSB0\n"
        "\n"
        "  2\t/dev/ttyS0  \r\n"
        "65 /dev/ttyS9\n"
        "x /dev/ttyS1\n"
        "3\n"
        "0 /dev/ttyS2\n"
        "64 /dev/my port");
    EXPECT_EQ(bad, (std::vector<int>{5, 6, 7, 8}));
    EXPECT_EQ(t.DeviceOf(1), "/dev/ttyUSB0");
    EXPECT_EQ(t.DeviceOf(2), "/dev/ttyS0");
    EXPECT_EQ(t.DeviceOf(64), "/dev/my port");
    EXPECT_EQ(t.DeviceOf(3), "");
    EXPECT_EQ(t.Ports(), (std::vector<int>{1, 2, 64}));
}

TEST(PortTable, FormatReadsBack) {
    PortTable t;
    NumberDevices(t, {"/dev/ttyUSB0", "/dev/ttyACM0", "/dev/ttyS0"});
    PortTable back;
    EXPECT_TRUE(back.Parse(t.Format()).empty());
    EXPECT_EQ(back.DeviceOf(2), "/dev/ttyACM0");
    EXPECT_EQ(back.Ports(), (std::vector<int>{1, 2, 3}));
}

TEST(PortTable, OverrideWinsAndIsNotSaved) {
    PortTable t;
    t.Set(1, "/dev/ttyS0");
    t.Override(1, "/dev/pts/4");
    t.Override(9, "/dev/pts/5");
    EXPECT_EQ(t.DeviceOf(1), "/dev/pts/4");
    EXPECT_EQ(t.Ports(), (std::vector<int>{1, 9}));
    PortTable back;
    back.Parse(t.Format());
    EXPECT_EQ(back.DeviceOf(1), "/dev/ttyS0");
    EXPECT_EQ(back.DeviceOf(9), "");
}

TEST(PortTable, PortOption) {
    EXPECT_EQ(ParsePortOption("3=/dev/ttyUSB1"), (std::pair<int, std::string>{3, "/dev/ttyUSB1"}));
    EXPECT_EQ(ParsePortOption(" 12 = /dev/pts/2 "),
              (std::pair<int, std::string>{12, "/dev/pts/2"}));
    for (const char* bad : {"", "3", "=/dev/x", "0=/dev/x", "65=/dev/x", "3=", "a=/dev/x"})
        EXPECT_FALSE(ParsePortOption(bad).has_value()) << bad;
}

TEST(PortTable, NumbersAtMost64Devices) {
    std::vector<std::string> devices;
    for (int i = 0; i < 70; ++i) devices.push_back("/dev/ttyS" + std::to_string(i));
    PortTable t;
    NumberDevices(t, devices);
    EXPECT_EQ(t.Ports().size(), 64u);
    EXPECT_EQ(t.DeviceOf(64), "/dev/ttyS63");
}

TEST(PortTable, PresentPortsAreThoseThatOpenAndThoseInUse) {
    PortTable t;
    t.Set(1, "/dev/a");
    t.Set(2, "/dev/b");
    t.Set(3, "/dev/c");
    const auto probe = [](const std::string& dev) { return dev == "/dev/b"; };
    EXPECT_EQ(PresentPorts(t, probe), (std::vector<int>{2}));
    EXPECT_EQ(PresentPorts(t, probe, {3, 5}), (std::vector<int>{2, 3, 5}));
}

TEST(PortTable, LoadAndSaveTheFile) {
    const auto dir = std::filesystem::temp_directory_path() / "vadrix_port_table_test";
    std::filesystem::create_directories(dir);
    const auto file = dir / kPortTableFileName;
    std::filesystem::remove(file);
    std::string error;
    PortTable missing;
    EXPECT_TRUE(missing.Load(file, error));  // a missing file is an empty table
    EXPECT_TRUE(missing.Empty());
    PortTable t;
    t.Set(4, "/dev/ttyACM0");
    ASSERT_TRUE(t.Save(file, error)) << error;
    PortTable back;
    ASSERT_TRUE(back.Load(file, error));
    EXPECT_EQ(back.DeviceOf(4), "/dev/ttyACM0");
    EXPECT_FALSE(t.Save(dir / "no such dir" / "ports", error));
    EXPECT_NE(error.find("no such dir"), std::string::npos);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vadrix
