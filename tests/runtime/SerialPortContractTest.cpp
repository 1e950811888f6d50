// The serial port contract, run against the fake port and the termios port on a
// pseudo-terminal pair.

#include <gtest/gtest.h>

#include <memory>

#include "channel/PortTable.h"
#include "runtime/SerialPtyPair.h"
#include "runtime/TermiosSerialPort.h"
#include "support/FakeSerialPort.h"
#include "support/QtApp.h"

namespace vadrix {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kPort = 5;

struct PortHarness {
    virtual ~PortHarness() = default;
    virtual SerialPort& port() = 0;
    // The far end sends; the bytes reach the port.
    virtual void PeerSend(const Bytes& bytes) = 0;
    // What the far end received of the port's output.
    virtual Bytes PeerReceive(std::size_t n) = 0;
    // Runs the event loop until the port announced at least n bytes.
    virtual bool WaitAvailable(std::size_t n) = 0;
};

struct FakeHarness : PortHarness {
    testing::FakeSerialPort fake;
    SerialPort& port() override { return fake; }
    void PeerSend(const Bytes& b) override { fake.Inject(b); }
    Bytes PeerReceive(std::size_t n) override {
        Bytes out(fake.written.begin(), fake.written.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                                   n, fake.written.size())));
        fake.written.erase(fake.written.begin(),
                           fake.written.begin() + static_cast<std::ptrdiff_t>(out.size()));
        return out;
    }
    bool WaitAvailable(std::size_t n) override { return fake.Available() >= n; }
};

struct TermiosHarness : PortHarness {
    TermiosHarness() {
        testing::EnsureQtApplication();
        table.Override(kPort, pty.device());
    }
    testing::PtyPair pty;
    PortTable table;
    TermiosSerialPort termios{table};
    SerialPort& port() override { return termios; }
    void PeerSend(const Bytes& b) override { pty.Send(b); }
    Bytes PeerReceive(std::size_t n) override { return pty.Receive(n); }
    bool WaitAvailable(std::size_t n) override {
        return testing::PumpUntil([&] { return termios.Available() >= n; });
    }
};

using HarnessFactory = std::unique_ptr<PortHarness> (*)();

class SerialPortContract : public ::testing::TestWithParam<HarnessFactory> {
  protected:
    void SetUp() override {
        h = GetParam()();
        std::string error;
        ASSERT_TRUE(h->port().Open(kPort, settings, error)) << error;
        h->port().SetDataHandler([this](std::size_t count) { announced.push_back(count); });
    }
    Bytes ReadAll() {
        Bytes out(h->port().Available());
        out.resize(h->port().Read(out));
        return out;
    }

    std::unique_ptr<PortHarness> h;
    SerialSettings settings{9600, 8, Parity::kEven, 1};
    std::vector<std::size_t> announced;
};

TEST_P(SerialPortContract, OpensAndCloses) {
    EXPECT_TRUE(h->port().IsOpen());
    h->port().Close();
    EXPECT_FALSE(h->port().IsOpen());
    std::string error;
    EXPECT_TRUE(h->port().Open(kPort, settings, error)) << error;
}

TEST_P(SerialPortContract, DataEventAnnouncesWhatReadReturns) {
    const Bytes sent{0x68, 0x00, 0xFF, 0x10, 0xFF, 0xFF, 0x00, 0x00, 0x16};
    h->PeerSend(sent);
    ASSERT_TRUE(h->WaitAvailable(sent.size()));
    ASSERT_FALSE(announced.empty());
    EXPECT_EQ(announced.back(), sent.size());
    EXPECT_EQ(ReadAll(), sent);
    EXPECT_EQ(h->port().Available(), 0u);
    EXPECT_EQ(h->port().TakeLineError(), 0);
    EXPECT_FALSE(h->port().TakeBreak());
}

TEST_P(SerialPortContract, ReadsInPieces) {
    Bytes sent(600);
    for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<std::uint8_t>(i * 7);
    h->PeerSend(sent);
    ASSERT_TRUE(h->WaitAvailable(sent.size()));
    Bytes got;
    std::uint8_t block[269];
    while (h->port().Available() > 0) {
        const std::size_t n = h->port().Read(block);
        got.insert(got.end(), block, block + n);
    }
    EXPECT_EQ(got, sent);
}

TEST_P(SerialPortContract, WrittenBytesReachTheFarEnd) {
    h->port().Write(Bytes{0x10, 0xFF, 0x00, 0x16});
    h->port().WriteByte(0x55);
    EXPECT_EQ(h->PeerReceive(5), (Bytes{0x10, 0xFF, 0x00, 0x16, 0x55}));
}

TEST_P(SerialPortContract, SettingsChangeWhileOpen) {
    h->port().Apply({38400, 7, Parity::kOdd, 2});
    EXPECT_TRUE(h->port().IsOpen());
    h->PeerSend({0x41, 0x42});
    ASSERT_TRUE(h->WaitAvailable(2));
    EXPECT_EQ(ReadAll(), (Bytes{0x41, 0x42}));
    h->port().WriteByte(0x43);
    EXPECT_EQ(h->PeerReceive(1), Bytes{0x43});
}

TEST_P(SerialPortContract, ModemTriggerHandlesAreDistinctAndNonZero) {
    const std::uint16_t a = h->port().AddModemTrigger();
    const std::uint16_t b = h->port().AddModemTrigger();
    EXPECT_NE(a, 0);
    EXPECT_NE(b, 0);
    EXPECT_NE(a, b);
    h->port().ArmModemTrigger(b, modem::kDsr);
    EXPECT_EQ(h->port().ModemStatus() & 0x0F, 0);  // nothing changed
    h->port().SetRts(true);
    h->port().SetDtr(false);
}

std::unique_ptr<PortHarness> MakeFake() {
    return std::make_unique<FakeHarness>();
}
std::unique_ptr<PortHarness> MakeTermios() {
    return std::make_unique<TermiosHarness>();
}

INSTANTIATE_TEST_SUITE_P(Ports, SerialPortContract, ::testing::Values(&MakeFake, &MakeTermios),
                         [](const auto& info) {
                             return std::string(info.index == 0 ? "Fake" : "TermiosOnPty");
                         });

TEST(SerialPortContractFailure, UnknownPortOrDeviceLeavesThePortClosed) {
    testing::EnsureQtApplication();
    PortTable table;
    table.Set(2, "/dev/vadrix-no-such-device");
    TermiosSerialPort port(table);
    std::string error;
    EXPECT_FALSE(port.Open(1, {}, error));
    EXPECT_NE(error.find("COM1"), std::string::npos);
    EXPECT_FALSE(port.Open(2, {}, error));
    EXPECT_EQ(error, "/dev/vadrix-no-such-device: No such file or directory");
    EXPECT_FALSE(port.IsOpen());

    testing::FakeSerialPort fake;
    fake.failOpenWith = error;
    EXPECT_FALSE(fake.Open(2, {}, error));
    EXPECT_FALSE(fake.IsOpen());
}

}  // namespace
}  // namespace vadrix
