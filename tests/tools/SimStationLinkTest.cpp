// The program's engine in the direct variant against vadrix-sim station on a pseudo-terminal,
// as a user runs them side by side: the program polling the simulated stations (function 3),
// and the simulated master polling the program's answering side (function 4). Both logs
// must be free of errors and their counters must agree.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <vector>

#include "SimProcess.h"
#include "StationDevice.h"
#include "ToolsQtApp.h"
#include "app/Engine.h"
#include "channel/Channel.h"
#include "channel/Framer.h"
#include "channel/LinkFields.h"
#include "editors/SendControl.h"
#include "runtime/EngineDriver.h"
#include "runtime/QtClock.h"
#include "runtime/QtEventLoop.h"
#include "runtime/SerialPtyPair.h"
#include "runtime/TermiosSerialPort.h"
#include "support/FakeUserInterface.h"
#include "support/TelegramSinks.h"
#include "support/TempDir.h"

namespace vadrix {
namespace {

using testing::TappedLog;

// The program with one channel on the simulator's line, in the direct variant with traffic
// kind 1 (polling), its stations 5 and 7.
class Program {
  public:
    Program(const testing::TempDir& dir, TEmSe& (*channel)(Context&), std::uint32_t function,
            const std::string& device)
        : ctx_(std::make_unique<Context>(clock_, loop_, ui_)), tap(ctx_->log) {
        ctx_->run.LogFilePath = dir / "station.lg8";
        created = ctx_->log.Create();
        ctx_->channelHooks.sink = &tap;
        ctx_->general.ProtocolVariant = 2;
        ctx_->general.TrafficKind = 1;
        ctx_->emse2.RxSource = source::kE2;
        ctx_->emse2.TxSource = source::kS2;
        ctx_->emse1.P.ComNumber = ctx_->emse2.P.ComNumber = 0;
        TEmSe& ch = channel(*ctx_);
        ch.P.ComNumber = 1;
        ch.P.Baud = 9600;
        ch.P.Function = function;
        ch.P.StationAddr[0] = 5;
        ch.P.StationAddr[1] = 7;
        ch.P.StationCount = 2;
        ch.P.InterrogationPeriodMs = 400;
        ch.P.ClassPollCount = 1;
        table_.Override(1, device);
        BindChannel(*ctx_, ch, port_);
    }
    ~Program() { ctx_->log.Close(); }

    Context& ctx() { return *ctx_; }
    bool Start() {
        ctx_->settings.Online = 1;
        driver_.Start();
        return testing::PumpUntil(
            [&] { return ctx_->emse1.PortOpen != 0 || ctx_->emse2.PortOpen != 0; }, 3000);
    }
    // Stops sending, takes what is still under way, and goes offline.
    void Stop() {
        driver_.Stop();
        testing::PumpUntil([] { return false; }, 600);
        engine_.SetOnline(false);
    }

    // The telegrams (not events) of a source.
    std::vector<TTelegram> Of(int source) const {
        std::vector<TTelegram> out;
        for (const TTelegram& r : tap.records)
            if (r.Source == source && r.Kind != kind::kEvent) out.push_back(r);
        return out;
    }

    bool created = false;

  private:
    QtClock clock_;
    QtEventLoop loop_;
    testing::FakeUserInterface ui_;
    std::unique_ptr<Context> ctx_;

  public:
    TappedLog tap;

  private:
    PortTable table_;
    TermiosSerialPort port_{table_};
    Engine engine_{*ctx_};
    EngineDriver driver_{engine_};
};

TEmSe& Channel1(Context& c) {
    return c.emse1;
}
TEmSe& Channel2(Context& c) {
    return c.emse2;
}

// What one record of the exchange is: a short request (station, function) or a data
// telegram (station, object, number).
struct Seen {
    int source;
    bool isShort;
    int station;
    int value;  // the short function, or the object number
    int seq = -1;
};
bool Same(const Seen& a, const Seen& b) {
    return a.source == b.source && a.isShort == b.isShort && a.station == b.station &&
           a.value == b.value;
}

std::vector<Seen> Exchange(const Program& p) {
    const LinkLayout l{2, 4, 0x7F};
    std::vector<Seen> out;
    for (const TTelegram& r : p.tap.records) {
        if (r.Kind == kind::kEvent) continue;
        const bool s = IsShort(r, l);
        out.push_back({r.Source, s, s ? ShortStation(r, l) : r.Station,
                       s ? ShortFunction(r, l) : r.TelNo, s ? -1 : SequenceNumber(r, l)});
    }
    return out;
}

// The general poll, the station announces itself, is polled and sends a data telegram.
bool AnnouncedAndSent(const std::vector<Seen>& all, int masterSource, int station) {
    const int other = masterSource == source::kS1 ? source::kE1 : source::kS2;
    for (std::size_t i = 0; i + 3 < all.size(); ++i)
        if (Same(all[i], {masterSource, true, 0, 0}) &&
            Same(all[i + 1], {other, true, station, 0}) &&
            Same(all[i + 2], {masterSource, true, station, 1}) && all[i + 3].source == other &&
            !all[i + 3].isShort && all[i + 3].station == station)
            return true;
    return false;
}

std::string Listing(const std::vector<TTelegram>& records) {
    std::string s;
    char buf[16];
    for (const TTelegram& r : records) {
        std::snprintf(buf, sizeof buf, "\n%d %d:", r.Source, r.Status);
        s += buf;
        for (int i = 0; i < r.FrameLen && i < 16; ++i) {
            std::snprintf(buf, sizeof buf, " %02x", r.Frame[i]);
            s += buf;
        }
    }
    return s;
}

// The numbers of a summary line the simulator writes when it stops.
std::vector<unsigned> Numbers(const std::string& log, const std::string& pattern) {
    std::smatch m;
    std::vector<unsigned> out;
    if (!std::regex_search(log, m, std::regex(pattern))) return out;
    for (std::size_t i = 1; i < m.size(); ++i) out.push_back(std::stoul(m[i]));
    return out;
}

TEST(SimStationLink, TheProgramPollsTheSimulatedStations) {
    testing::EnsureToolsQtApp();
    testing::TempDir dir;
    testing::SimProcess sim({"station", "--address", "5,7", "--seed", "1", "--interval", "300"},
                            (dir / "sim.log").string());
    ASSERT_FALSE(sim.device().empty()) << sim.Log();
    Program program(dir, Channel1, 1, sim.device());  // function 1 in traffic kind 1: 3
    ASSERT_TRUE(program.created);
    ASSERT_TRUE(program.Start());
    ASSERT_EQ(program.ctx().emse1.ChannelFunction, 3u);

    // Each station's numbers, once the program restarted its numbering.
    const auto numbered = [&](int station) {
        std::vector<int> seqs;
        for (const Seen& e : Exchange(program))
            if (e.source == source::kE1 && !e.isShort && e.station == station && e.seq >= 1 &&
                e.seq <= 30)
                seqs.push_back(e.seq);
        return seqs;
    };
    const bool enough = testing::PumpUntil(
        [&] { return numbered(5).size() >= 6 && numbered(7).size() >= 6; }, 20000);
    program.Stop();
    EXPECT_EQ(sim.Stop(), 0) << sim.Log();
    ASSERT_TRUE(enough) << Listing(program.tap.records) << sim.Log();

    // Every telegram both ways was sound and passed the program's checks.
    for (const TTelegram& r : program.tap.records)
        if (r.Kind != kind::kEvent) {
            EXPECT_EQ(r.Status, status::kGood) << Listing({r});
        }
    EXPECT_EQ(program.ctx().log.ErrorCount(source::kE1), 0u);
    EXPECT_EQ(program.ctx().log.ErrorCount(source::kS1), 0u);

    // The general poll, a station with data announces itself, is polled and sends; the
    // program restarts a station that sends the reset number.
    const std::vector<Seen> exchange = Exchange(program);
    for (const int st : {5, 7}) {
        EXPECT_TRUE(AnnouncedAndSent(exchange, source::kS1, st)) << "station " << st;
        EXPECT_TRUE(std::any_of(exchange.begin(), exchange.end(),
                                [&](const Seen& e) {
                                    return e.source == source::kS1 && !e.isShort &&
                                           e.station == st && e.value == sim::kRestartObject;
                                }))
            << "station " << st;
        // After the restart the numbers run 1, 2, 3 ... without a gap.
        const std::vector<int> seqs = numbered(st);
        for (std::size_t i = 0; i < seqs.size(); ++i)
            EXPECT_EQ(seqs[i], static_cast<int>(i % 30) + 1) << "station " << st;
    }

    // The counters of both ends agree.
    const std::vector<unsigned> counts =
        Numbers(sim.Log(), R"(station: sent (\d+) frames \((\d+) damaged\), received (\d+) )"
                           R"(telegrams \((\d+) faulty\))");
    ASSERT_EQ(counts.size(), 4u) << sim.Log();
    EXPECT_EQ(counts[0], program.Of(source::kE1).size());
    EXPECT_EQ(counts[1], 0u);
    EXPECT_EQ(counts[2], program.Of(source::kS1).size());
    EXPECT_EQ(counts[3], 0u);
}

// The robustness soak: a third of the stations' frames come damaged. The program logs them
// with their fault codes, keeps polling, and good telegrams keep coming through.
TEST(SimStationLink, DamagedFramesAreLoggedAsFaultsAndThePollingGoesOn) {
    testing::EnsureToolsQtApp();
    testing::TempDir dir;
    testing::SimProcess sim(
        {"station", "--address", "5,7", "--seed", "9", "--interval", "300", "--faults", "0.3"},
        (dir / "sim.log").string());
    ASSERT_FALSE(sim.device().empty()) << sim.Log();
    Program program(dir, Channel1, 1, sim.device());
    ASSERT_TRUE(program.created);
    ASSERT_TRUE(program.Start());

    const auto faulty = [&] {
        int n = 0;
        for (const TTelegram& r : program.Of(source::kE1)) n += r.Status != status::kGood;
        return n;
    };
    // Good data telegrams after the first fault: the exchange recovered.
    const auto goodAfterFault = [&] {
        int n = 0;
        bool seenFault = false;
        for (const TTelegram& r : program.Of(source::kE1)) {
            seenFault = seenFault || r.Status != status::kGood;
            n += seenFault && r.Status == status::kGood && r.FrameLen > 5;
        }
        return n;
    };
    const bool soaked =
        testing::PumpUntil([&] { return faulty() >= 4 && goodAfterFault() >= 10; }, 25000);
    program.Stop();
    EXPECT_EQ(sim.Stop(), 0) << sim.Log();
    ASSERT_TRUE(soaked) << Listing(program.tap.records) << sim.Log();

    // Only the faults damage makes: no start byte (bytes behind a cut frame), wrong length,
    // wrong end byte, wrong checksum, and the sequence errors of missing and repeated numbers.
    const std::set<int> expected{rx_status::kNoStart,          rx_status::kLength,
                                 rx_status::kNoStop,           rx_status::kFixedChecksum,
                                 rx_status::kVariableChecksum, rx_status::kSequence};
    for (const TTelegram& r : program.Of(source::kE1))
        if (r.Status != status::kGood) {
            EXPECT_TRUE(expected.count(r.Status)) << Listing({r});
        }
    EXPECT_EQ(program.ctx().log.ErrorCount(source::kS1), 0u);
    EXPECT_NE(sim.Log().find("sent damaged"), std::string::npos) << sim.Log();
}

void SendTelegramForStation(TSendTelegram& t, int stationIndex, int telNo) {
    t.Head.Send = source::kS2;
    t.Head.StNr = stationIndex;
    t.Head.AnzT = 3;
    t.Head.WZt = 300;
    t.Head.Entry.TelNr = static_cast<std::uint16_t>(telNo);
    t.Head.Entry.Da = 1;
}

TEST(SimStationLink, TheSimulatedMasterPollsTheProgramsAnsweringSide) {
    testing::EnsureToolsQtApp();
    testing::TempDir dir;
    testing::SimProcess sim({"station", "--poll", "--address", "5,7", "--cycle", "400"},
                            (dir / "sim.log").string());
    ASSERT_FALSE(sim.device().empty()) << sim.Log();
    Program program(dir, Channel2, 2, sim.device());  // function 2 in traffic kind 1: 4
    ASSERT_TRUE(program.created);
    ASSERT_TRUE(program.Start());
    ASSERT_EQ(program.ctx().emse2.ChannelFunction, 4u);
    Context& ctx = program.ctx();
    SendTelegramForStation(ctx.sendTelegrams.Items[0], 0, 300);
    SendTelegramForStation(ctx.sendTelegrams.Items[1], 1, 301);
    ASSERT_TRUE(RequestSend(ctx, ctx.sendTelegrams.Items[0].Head));
    ASSERT_TRUE(RequestSend(ctx, ctx.sendTelegrams.Items[1].Head));

    const auto sent = [&](int telNo) {
        int n = 0;
        for (const TTelegram& r : program.Of(source::kS2)) n += r.TelNo == telNo;
        return n;
    };
    const bool done = testing::PumpUntil([&] { return sent(300) == 3 && sent(301) == 3; }, 20000);
    program.Stop();
    EXPECT_EQ(sim.Stop(), 0) << sim.Log();
    ASSERT_TRUE(done) << Listing(program.tap.records) << sim.Log();

    for (const TTelegram& r : program.tap.records)
        if (r.Kind != kind::kEvent) {
            EXPECT_EQ(r.Status, status::kGood) << Listing({r});
        }
    EXPECT_EQ(ctx.log.ErrorCount(source::kE2), 0u);
    EXPECT_EQ(ctx.log.ErrorCount(source::kS2), 0u);

    const std::vector<Seen> exchange = Exchange(program);
    EXPECT_TRUE(AnnouncedAndSent(exchange, source::kE2, 5));
    // The simulated master restarted the numbering of both stations.
    for (const int st : {5, 7})
        EXPECT_TRUE(std::any_of(exchange.begin(), exchange.end(),
                                [&](const Seen& e) {
                                    return e.source == source::kE2 && !e.isShort &&
                                           e.station == st && e.value == sim::kRestartObject;
                                }))
            << "station " << st;

    // Every telegram of the program reached the master whole; per station as many data
    // telegrams as the program sent. Polls the master sent before the program opened its
    // port are not in the program's log, so there the program has at most as many.
    const std::string log = sim.Log();
    const std::vector<unsigned> master = Numbers(
        log,
        R"(master: sent (\d+) frames \((\d+) damaged\), received (\d+) telegrams \((\d+) faulty\))");
    ASSERT_EQ(master.size(), 4u) << log;
    EXPECT_EQ(master[2], program.Of(source::kS2).size());
    EXPECT_EQ(master[3], 0u);
    EXPECT_LE(program.Of(source::kE2).size(), master[0]);
    for (const auto& [st, telNo] : std::map<int, int>{{5, 300}, {7, 301}}) {
        const std::vector<unsigned> c = Numbers(
            log, "station " + std::to_string(st) + R"(: (\d+) telegrams, (\d+) nothing to send)");
        ASSERT_EQ(c.size(), 2u) << log;
        EXPECT_EQ(c[0], static_cast<unsigned>(sent(telNo))) << "station " << st;
    }
}

}  // namespace
}  // namespace vadrix
