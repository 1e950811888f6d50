// The program's engine in variant 1 against "vadrix-sim monitor --pty" as a separate
// process, on the real main loop, clock and serial port: the configuration telegram is
// answered, the link arrives on all three lines, and injected faults arrive with the
// program's codes for them.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "SimProcess.h"
#include "ToolsQtApp.h"
#include "app/Engine.h"
#include "channel/Channel.h"
#include "channel/Framer.h"
#include "editors/SendControl.h"
#include "runtime/EngineDriver.h"
#include "runtime/QtClock.h"
#include "runtime/QtEventLoop.h"
#include "runtime/SerialPtyPair.h"
#include "runtime/TermiosSerialPort.h"
#include "support/FakeUserInterface.h"
#include "support/TelegramSinks.h"
#include "support/TempDir.h"
#include "transmit/Transmit.h"

namespace vadrix {
namespace {

// Fast lines and short cycles, so that every line carries several telegrams a second.
constexpr const char* kBusyLink =
    "station 5 on E1\n"
    "  indications 781 every 0.3\n"
    "  measured 600 every 0.4\n"
    "station 1 on S\n"
    "  time 103 every 0.5\n"
    "station 7 on E2\n"
    "  counter 400 every 0.3\n";

// The engine of one program with channel 1 on the simulator's line.
class MonitoredLink {
  public:
    MonitoredLink(const std::string& device, bool testMode) {
        testing::EnsureToolsQtApp();
        ctx = std::make_unique<Context>(clock, loop, ui);
        ctx->channelHooks.sink = &sink;
        ctx->run.TestMode = testMode;
        ctx->general.ProtocolVariant = 1;
        ctx->emse1.P.ComNumber = 1;
        ctx->emse2.P.ComNumber = 0;
        for (TLineParams& line : ctx->emse1.P.Line) line.BitRate = 2400;
        ctx->emse1.P.Line[0].CheckCode = 1;
        ctx->emse1.P.Line[1].CheckCode = 2;
        table.Override(1, device);
        port = std::make_unique<TermiosSerialPort>(table);
        BindChannel(*ctx, ctx->emse1, *port);
        engine = std::make_unique<Engine>(*ctx);
        driver = std::make_unique<EngineDriver>(*engine);
        ctx->settings.Online = 1;
        driver->Start();
    }
    ~MonitoredLink() {
        driver->Stop();
        engine->SetOnline(false);
    }

    // Telegrams (not device frames or events) of a source and status.
    int Count(int source, std::uint8_t status) const {
        int n = 0;
        for (const TTelegram& r : sink.records)
            if (r.Kind == kind::kVariable && r.Source == source && r.Status == status) ++n;
        return n;
    }
    std::set<int> Statuses() const {
        std::set<int> out;
        for (const TTelegram& r : sink.records)
            if (r.Kind == kind::kVariable) out.insert(r.Status);
        return out;
    }
    // Whether a device text that begins so has arrived.
    bool TextArrived(const std::string& begin) const {
        for (const TTelegram& r : sink.records)
            if (r.Status == rx_status::kDeviceText &&
                std::string(reinterpret_cast<const char*>(r.Frame + 1), r.Frame[0])
                        .rfind(begin, 0) == 0)
                return true;
        return false;
    }
    // A record of the status that came from the device (line 1 or none), not one the
    // program sent.
    bool Received(std::uint8_t status) const {
        for (const TTelegram& r : sink.records)
            if (r.Status == status && r.Source != source::kS1) return true;
        return false;
    }

    QtClock clock;
    QtEventLoop loop;
    testing::FakeUserInterface ui;
    testing::RecordingSink sink;
    std::unique_ptr<Context> ctx;
    PortTable table;
    std::unique_ptr<TermiosSerialPort> port;
    std::unique_ptr<Engine> engine;
    std::unique_ptr<EngineDriver> driver;
};

TEST(SimMonitorLink, TheConfigurationIsAnsweredAndAllThreeLinesArriveGood) {
    testing::EnsureToolsQtApp();
    testing::TempDir dir;
    const auto scenario = dir.Write("busy.txt", kBusyLink);
    testing::SimProcess sim({"monitor", "--scenario", scenario.string(), "--seed", "1"},
                            (dir / "sim.log").string());
    ASSERT_FALSE(sim.device().empty()) << sim.Log();
    MonitoredLink link(sim.device(), true);

    // With switch t the answer is stored too, as status 53, and the wait is over.
    ASSERT_TRUE(testing::PumpUntil([&] { return link.Received(rx_status::kDeviceKind1); }, 5000))
        << sim.Log();
    EXPECT_EQ(link.ctx->emse1.AwaitState, 0u);
    ASSERT_TRUE(testing::PumpUntil(
        [&] {
            return link.Count(source::kE1, rx_status::kGood) >= 3 &&
                   link.Count(source::kS1, rx_status::kGood) >= 3 &&
                   link.Count(source::kE2, rx_status::kGood) >= 3;
        },
        10000))
        << sim.Log();
    EXPECT_EQ(link.Statuses(), (std::set<int>{rx_status::kGood}));
    std::map<int, std::set<int>> stations;
    for (const TTelegram& r : link.sink.records)
        if (r.Kind == kind::kVariable) stations[r.Source].insert(r.Station);
    EXPECT_EQ(stations[source::kE1], (std::set<int>{5}));
    EXPECT_EQ(stations[source::kS1], (std::set<int>{1}));
    EXPECT_EQ(stations[source::kE2], (std::set<int>{7}));
    EXPECT_TRUE(link.TextArrived("configured: E1 2400 bit/s check 1, S 2400 bit/s check 2"));
    EXPECT_EQ(sim.Stop(), 0) << sim.Log();
}

TEST(SimMonitorLink, WithoutSwitchTTheAnswerEndsTheWaitUnstored) {
    testing::EnsureToolsQtApp();
    testing::TempDir dir;
    testing::SimProcess sim({"monitor", "--seed", "1"}, (dir / "sim.log").string());
    ASSERT_FALSE(sim.device().empty()) << sim.Log();
    MonitoredLink link(sim.device(), false);
    // The device text that follows the answer shows that the answer has arrived.
    ASSERT_TRUE(testing::PumpUntil([&] { return link.TextArrived("configured: "); }, 5000))
        << sim.Log();
    EXPECT_EQ(link.ctx->emse1.AwaitState, 0u);
    EXPECT_FALSE(link.Received(rx_status::kDeviceKind1));
    for (const TTelegram& r : link.sink.records)
        EXPECT_NE(r.Status, tx_code::kAnswerTimeout) << "the program's answer wait ran out";
}

// The program's telegrams go out through the device on line S: each comes back as a line-S
// telegram and is answered, so that the program never waits out its answer time.
TEST(SimMonitorLink, TheProgramsTelegramsComeBackOnLineS) {
    testing::EnsureToolsQtApp();
    testing::TempDir dir;
    testing::SimProcess sim({"monitor", "--scenario", dir.Write("quiet.txt", "").string()},
                            (dir / "sim.log").string());
    ASSERT_FALSE(sim.device().empty()) << sim.Log();
    MonitoredLink link(sim.device(), false);
    ASSERT_TRUE(testing::PumpUntil([&] { return link.TextArrived("configured: "); }, 5000))
        << sim.Log();
    TSendTelegram& t = link.ctx->sendTelegrams.Items[0];
    t.Head.Send = source::kS1;
    t.Head.AnzT = 3;
    t.Head.WZt = 100;
    t.Head.Entry.TelNr = 777;
    t.Head.Entry.Da = 1;
    ASSERT_TRUE(RequestSend(*link.ctx, t.Head));
    // Records of the telegram: what the program sent (it keeps the type as the class) and
    // what the device reported back.
    const auto count = [&](bool reported) {
        int n = 0;
        for (const TTelegram& r : link.sink.records)
            if (r.Kind == kind::kVariable && r.TelNo == 777 && r.Source == source::kS1 &&
                r.Status == rx_status::kGood && (r.InfoClass == 0) == reported)
                ++n;
        return n;
    };
    ASSERT_TRUE(testing::PumpUntil([&] { return count(true) == 3; }, 10000)) << sim.Log();
    EXPECT_EQ(count(false), 3);
    for (const TTelegram& r : link.sink.records)
        EXPECT_NE(r.Status, tx_code::kAnswerTimeout) << "the program's answer wait ran out";
}

TEST(SimMonitorLink, InjectedFaultsArriveWithTheirReceptionCodes) {
    testing::EnsureToolsQtApp();
    testing::TempDir dir;
    const auto scenario = dir.Write("busy.txt", kBusyLink);
    testing::SimProcess sim(
        {"monitor", "--scenario", scenario.string(), "--faults", "1", "--seed", "3"},
        (dir / "sim.log").string());
    ASSERT_FALSE(sim.device().empty()) << sim.Log();
    MonitoredLink link(sim.device(), false);
    const std::set<int> faults{rx_status::kDeviceReported, rx_status::kBitCountReported,
                               rx_status::kBitCount, rx_status::kFixedChecksum};
    ASSERT_TRUE(testing::PumpUntil([&] { return link.Statuses() == faults; }, 15000)) << sim.Log();
    // The device log says which telegram was damaged how.
    const std::string log = sim.Log();
    for (const char* how : {"damaged: bit ", " bits instead of ", "damaged: device status 12"})
        EXPECT_NE(log.find(how), std::string::npos) << how;
    EXPECT_EQ(sim.Stop(), 0) << log;
}

}  // namespace
}  // namespace vadrix
