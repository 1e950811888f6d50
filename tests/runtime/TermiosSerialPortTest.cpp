// The termios port on a pseudo-terminal pair: line settings, input marking, the framer
// behind it, and the port scan.

#include <gtest/gtest.h>

#include <fstream>

#include "channel/Channel.h"
#include "runtime/PortScan.h"
#include "runtime/SerialLine.h"
#include "runtime/SerialPtyPair.h"
#include "runtime/TermiosSerialPort.h"
#include "support/QtApp.h"
#include "support/TelegramSinks.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix {
namespace {

using Bytes = std::vector<std::uint8_t>;

class TermiosPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::EnsureQtApplication();
        ASSERT_TRUE(pty.ok());
        table.Override(3, pty.device());
    }
    Bytes Receive(std::size_t n) {
        testing::PumpUntil([&] { return port.Available() >= n; });
        Bytes got(port.Available());
        got.resize(port.Read(got));
        return got;
    }
    // A pty keeps the rate and the stop bits it is given; it always holds 8 data bits and no
    // parity, so those are compared only with what it can hold.
    void ExpectHeld(const SerialSettings& want) {
        SerialSettings s;
        ASSERT_EQ(serial_line::ReadSettings(port.Descriptor(), s), 0);
        EXPECT_EQ(s.baud, want.baud);
        EXPECT_EQ(s.stopBits, want.stopBits);
    }

    testing::PtyPair pty;
    PortTable table;
    TermiosSerialPort port{table};
};

TEST_F(TermiosPortTest, BytesPassBothWaysAtSeveralSettings) {
    const SerialSettings cases[] = {
        {300, 7, Parity::kEven, 2},   {9600, 8, Parity::kNone, 1},    {38400, 8, Parity::kEven, 1},
        {12345, 5, Parity::kMark, 1}, {250000, 6, Parity::kSpace, 2}, {1200, 8, Parity::kOdd, 1},
    };
    for (const SerialSettings& s : cases) {
        SCOPED_TRACE(s.baud);
        std::string error;
        ASSERT_TRUE(port.Open(3, s, error)) << error;
        ExpectHeld(s);
        const Bytes data{0x01, 0xFF, 0x7F, 0x00, 0xFF};
        pty.Send(data);
        EXPECT_EQ(Receive(data.size()), data);
        port.Write(data);
        EXPECT_EQ(pty.Receive(data.size()), data);
        port.Close();
    }
}

TEST_F(TermiosPortTest, SettingsChangeAtOnceWhileOpen) {
    std::string error;
    ASSERT_TRUE(port.Open(3, {9600, 8, Parity::kEven, 1}, error)) << error;
    const SerialSettings next{4800, 7, Parity::kOdd, 2};
    port.Apply(next);
    EXPECT_TRUE(port.LastError().empty());
    ExpectHeld(next);
    pty.Send({0x31, 0xFF});
    EXPECT_EQ(Receive(2), (Bytes{0x31, 0xFF}));
}

TEST_F(TermiosPortTest, DataByteFFSurvivesTheInputMarkingInEveryPosition) {
    std::string error;
    ASSERT_TRUE(port.Open(3, {}, error)) << error;
    // Escapes that may be split across reads: many FF and FF 00 runs.
    Bytes data;
    for (int i = 0; i < 3000; ++i) data.push_back(i % 3 == 0 ? 0x00 : 0xFF);
    pty.Send(data);
    EXPECT_EQ(Receive(data.size()), data);
    EXPECT_EQ(port.TakeLineError(), 0);
    EXPECT_FALSE(port.TakeBreak());
}

TEST_F(TermiosPortTest, FramerReceivesThroughThePort) {
    testing::TestContext tc;
    testing::RecordingSink sink;
    tc->general.ProtocolVariant = 2;
    tc->channelHooks.sink = &sink;
    DeriveChannel2(*tc);
    tc->emse2.P.ComNumber = 3;
    tc->emse2.P.Baud = 9600;
    BindChannel(*tc, tc->emse2, port);
    std::string error;
    ASSERT_TRUE(OpenChannel(*tc, tc->emse2, error)) << error;
    pty.Send({0x10, 0x12, 0x34, 0x46, 0x16});
    ASSERT_TRUE(testing::PumpUntil([&] { return sink.records.size() >= 2; }));
    EXPECT_EQ(sink.records[1].Status, 40);
    EXPECT_EQ(sink.records[1].FrameLen, 5);
    port.PollModem();  // a pty has no modem lines: nothing happens
    CloseChannel(*tc, tc->emse2);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(TermiosPortTest, HandlerMayCloseThePort) {
    std::string error;
    ASSERT_TRUE(port.Open(3, {}, error)) << error;
    int events = 0;
    port.SetDataHandler([&](std::size_t) {
        ++events;
        port.Close();
    });
    pty.Send({0x01, 0x02});
    EXPECT_TRUE(testing::PumpUntil([&] { return events > 0; }));
    pty.Send({0x03});
    testing::PumpUntil([] { return false; }, 50);
    EXPECT_EQ(events, 1);
    EXPECT_FALSE(port.IsOpen());
    ASSERT_TRUE(port.Open(3, {}, error)) << error;  // and opens again
}

TEST_F(TermiosPortTest, OutputPendingCountsTheQueue) {
    std::string error;
    ASSERT_TRUE(port.Open(3, {}, error)) << error;
    EXPECT_EQ(port.OutputPending(), 0u);
    // Far more than the pty takes at once: the rest waits in the port's queue.
    const Bytes big(256 * 1024, 0x55);
    port.Write(big);
    EXPECT_GT(port.OutputPending(), 0u);
    EXPECT_EQ(pty.Receive(big.size(), 10000).size(), big.size());
}

TEST(PortScan, DevicesAreNumberedByKindThenNumber) {
    testing::TempDir dev;
    for (const char* name : {"ttyS10", "ttyS2", "ttyUSB1", "ttyACM0", "ttySX", "ttyUSB0", "tty1"})
        dev.Write(name, "");
    std::vector<std::string> expected;
    for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyS2", "ttyS10"})
        expected.push_back((dev.path() / name).string());
    EXPECT_EQ(ListSerialDevices(dev.path()), expected);
}

TEST(PortScan, TableFileIsCreatedOnceAndThenRead) {
    testing::TempDir data;
    PortTable table;
    std::string error;
    ASSERT_TRUE(LoadPortTable(data.path(), table, error)) << error;
    EXPECT_TRUE(std::filesystem::exists(data / "ports"));
    data.Write("ports", "7 /dev/vadrix-missing\n");
    PortTable edited;
    ASSERT_TRUE(LoadPortTable(data.path(), edited, error)) << error;
    EXPECT_EQ(edited.DeviceOf(7), "/dev/vadrix-missing");
    EXPECT_TRUE(ScanPorts(edited, {}).empty());              // the device does not open
    EXPECT_EQ(ScanPorts(edited, {7}), std::vector<int>{7});  // but it is the open port
}

TEST(PortScan, APtyCountsAsPresent) {
    testing::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    PortTable table;
    table.Override(1, pty.device());
    EXPECT_EQ(ScanPorts(table, {}), std::vector<int>{1});
}

}  // namespace
}  // namespace vadrix
