// The field device of vadrix-sim against a fake port: echo and wake-up, reading and writing
// its memory with the handshakes and mode changes, a read cut short, the terminal commands,
// the memory file, and the pace of its output.

#include <gtest/gtest.h>

#include <string>

#include "FieldDevice.h"
#include "support/FakeSerialPort.h"
#include "support/TempDir.h"

namespace vadrix::sim {
namespace {

using testing::FakeSerialPort;

class FieldDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(port.Open(1, kFieldTextMode, error));
    }
    void Make(FieldOptions options = {}, FieldMemory memory = FreshFieldMemory()) {
        device = std::make_unique<FieldDevice>(port, memory, std::move(options));
    }
    void Hear(std::string_view text) {
        device->Receive(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }
    void Hear(std::uint8_t b) { device->Receive(std::span(&b, 1)); }
    // Ticks every 5 ms until the device has sent everything it queued.
    void Settle() {
        for (int i = 0; i < 100000 && device->Busy(); ++i) device->Tick(now += 5);
    }
    std::string Sent() {
        std::string s(port.written.begin(), port.written.end());
        port.written.clear();
        return s;
    }

    FakeSerialPort port;
    std::unique_ptr<FieldDevice> device;
    std::uint32_t now = 1000;
};

TEST_F(FieldDeviceTest, EchoesAndWakesUpWithOneMoreByte) {
    Make();
    Hear("X");
    Settle();
    EXPECT_EQ(Sent(), "X\n");
    Hear("AX\r");  // an X inside a line is only echoed
    Settle();
    EXPECT_EQ(Sent(), "AX\r\r\n?\r\n");
}

TEST_F(FieldDeviceTest, ReadsItsMemoryInBinaryModeAfterTheHandshake) {
    FieldMemory m = FreshFieldMemory();
    for (int i = 0; i < 16; ++i) m[0xE800 + i] = static_cast<std::uint8_t>(i * 11);
    Make({}, m);
    Hear("flE800~0010\r");
    Settle();
    EXPECT_EQ(Sent(), "flE800~0010\r");
    EXPECT_EQ(port.settings, kFieldBinaryMode);
    Hear(0x06);
    Settle();
    const std::string got = Sent();
    ASSERT_EQ(got.size(), 16u + 4u);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(static_cast<std::uint8_t>(got[i]), i * 11);
    EXPECT_EQ(got.substr(16), "OK\r\n");
    EXPECT_EQ(port.settings, kFieldTextMode);
}

TEST_F(FieldDeviceTest, StopAfterCutsOnlyTheNextReadShort) {
    Make({.memoryFile = {}, .stopAfter = 3});
    for (const std::size_t expected : {3u, 16u}) {
        Hear("flEFF0~0010\r");
        Settle();
        Sent();
        Hear(0x06);
        Settle();
        const std::string got = Sent();
        EXPECT_EQ(got.size(), expected == 16 ? 16u + 4u : 3u) << "no answer after a short read";
        EXPECT_EQ(port.settings, kFieldTextMode);
    }
}

TEST_F(FieldDeviceTest, WritesWithEchoAndHandshakeAndKeepsTheMemoryFile) {
    testing::TempDir dir;
    const auto file = dir / "memory.bin";
    FieldMemory m;
    std::string error;
    ASSERT_TRUE(LoadFieldMemory(file, m, error)) << error;
    Make({.memoryFile = file, .stopAfter = {}}, m);
    Hear("IB\r");
    Hear("fp1000~0003\r");
    Settle();
    EXPECT_EQ(Sent(), "IB\r OK\r\nfp1000~0003\r");
    EXPECT_EQ(port.settings, kFieldBinaryMode);
    Hear(std::string_view("\x01\x02\x03", 3));
    Settle();
    EXPECT_EQ(Sent(), std::string("\x01\x02\x03", 3));
    EXPECT_EQ(device->Memory()[0x1000], 0xFF) << "stored only after the handshake";
    Hear(0x06);
    Settle();
    EXPECT_EQ(Sent(), "\x06OK\r\n");
    EXPECT_EQ(port.settings, kFieldTextMode);
    EXPECT_EQ(device->Memory()[0x1002], 3);
    const auto bytes = testing::ReadFileBytes(file);
    ASSERT_EQ(bytes.size(), kFieldMemorySize);
    EXPECT_EQ(bytes[0x1000], 1);
    EXPECT_EQ(bytes[0x1002], 3);
}

TEST_F(FieldDeviceTest, RefusesTransfersItCannotServe) {
    Make();
    for (const char* cmd : {"flZZZZ~0010\r", "flFFF0~0020\r", "fl0000~0000\r", "fl0000~2001\r",
                            "fl0000-0010\r", "fl00000~010\r"}) {
        Hear(cmd);
        Settle();
        EXPECT_EQ(Sent(), std::string(cmd) + "?\r\n") << cmd;
        EXPECT_EQ(port.settings, kFieldTextMode) << cmd;
    }
}

TEST_F(FieldDeviceTest, AnAbandonedTransferFallsBackToTextMode) {
    Make();
    Hear("fp1000~0010\r");
    Hear("\x01\x02");
    Settle();
    EXPECT_EQ(port.settings, kFieldBinaryMode);
    for (std::uint32_t t = 0; t < FieldDevice::kTransferTimeoutMs + 100; t += 5)
        device->Tick(now += 5);
    EXPECT_EQ(port.settings, kFieldTextMode);
    Sent();
    Hear("X");
    Settle();
    EXPECT_EQ(Sent(), "X\n");
    EXPECT_EQ(device->Memory()[0x1000], 0xFF) << "nothing stored";
}

TEST_F(FieldDeviceTest, TerminalCommandsAnswerALineEach) {
    Make();
    Hear("V\r");
    Settle();
    EXPECT_EQ(Sent(), "V\r\r\n" + std::string(kFieldVersion) + "\r\n");
    Hear("S\r");
    Settle();
    EXPECT_EQ(Sent(), "S\r\r\nSTATION 7 RX 200 BD 2.5 TX 1200 BD 3.0 TOL 10 STATUS 08\r\n");
}

TEST_F(FieldDeviceTest, OutputLeavesAtTheLinesPace) {
    Make();
    Hear("S\r");  // about 60 characters to send
    device->Tick(now += 5);
    // At 300 bit/s and 11 bits a character one character takes about 37 ms; the output runs
    // at most a tenth of a second ahead of the line.
    EXPECT_GE(port.written.size(), 1u);
    EXPECT_LE(port.written.size(), 4u);
    for (int i = 0; i < 200; ++i) device->Tick(now += 5);  // one second
    EXPECT_GE(port.written.size(), 28u);
    EXPECT_LE(port.written.size(), 34u);
    EXPECT_TRUE(device->Busy());
}

TEST(FieldMemoryFile, AMissingFileIsCreatedAndAWrongOneLeftAlone) {
    testing::TempDir dir;
    FieldMemory m{};
    std::string error;
    const auto fresh = dir / "fresh.bin";
    ASSERT_TRUE(LoadFieldMemory(fresh, m, error)) << error;
    const auto bytes = testing::ReadFileBytes(fresh);
    ASSERT_EQ(bytes.size(), kFieldMemorySize);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[kStationBlockAddress + 8], 7) << "a station number";

    const auto wrong = dir.Write("wrong.bin", "not a memory");
    EXPECT_FALSE(LoadFieldMemory(wrong, m, error));
    EXPECT_NE(error.find("65536"), std::string::npos) << error;
    EXPECT_EQ(testing::ReadFileText(wrong), "not a memory");
}

}  // namespace
}  // namespace vadrix::sim
