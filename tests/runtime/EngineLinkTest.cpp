// Two channels of one program joined by a null-modem of two pseudo-terminal pairs: channel 1
// polls stations 5 and 7, channel 2 answers as those stations with send telegrams due. The
// engine runs on the real main loop and clock, as the program runs it.

#include <gtest/gtest.h>

#include <vector>

#include "app/Engine.h"
#include "channel/Channel.h"
#include "channel/LinkFields.h"
#include "editors/SendControl.h"
#include "runtime/EngineDriver.h"
#include "runtime/QtClock.h"
#include "runtime/QtEventLoop.h"
#include "runtime/SerialPtyPair.h"
#include "runtime/TermiosSerialPort.h"
#include "support/FakeUserInterface.h"
#include "support/QtApp.h"
#include "support/TelegramSinks.h"
#include "support/TempDir.h"

namespace vadrix {
namespace {

using testing::TappedLog;

using testing::PtyPair;

// Copies what each far end receives to the other: the two ports see one line.
class NullModem {
  public:
    bool ok() const { return a.ok() && b.ok(); }
    void Relay() {
        for (auto [from, to] : {std::pair{&a, &b}, std::pair{&b, &a}}) {
            const std::vector<std::uint8_t> got = from->ReadAvailable();
            if (!got.empty()) to->Send(got);
        }
    }
    PtyPair a;
    PtyPair b;
};

void SetStations(TEmSe& ch, std::uint32_t port, std::uint32_t function) {
    ch.P.ComNumber = port;
    ch.P.Baud = 9600;
    ch.P.Function = function;
    ch.P.StationAddr[0] = 5;
    ch.P.StationAddr[1] = 7;
    ch.P.StationCount = 2;
    ch.P.InterrogationPeriodMs = 400;
    ch.P.ClassPollCount = 0;
}

void SendTelegramForStation(TSendTelegram& t, int stationIndex, int telNo) {
    t.Head.Send = 4;
    t.Head.StNr = stationIndex;
    t.Head.AnzT = 1;
    t.Head.Entry.TelNr = static_cast<std::uint16_t>(telNo);
    t.Head.Entry.Da = 1;
}

// What one record of the exchange is: a short request (station, code) or a data telegram.
struct Seen {
    int source;
    bool isShort;
    int station;
    int value;  // the short function, or the object number
    bool operator==(const Seen&) const = default;
};

std::string Listing(const std::vector<TTelegram>& records) {
    std::string s;
    char buf[16];
    for (const TTelegram& r : records) {
        std::snprintf(buf, sizeof buf, "\n%d %d:", r.Source, r.Status);
        s += buf;
        for (int i = 0; i < r.FrameLen && i < 24; ++i) {
            std::snprintf(buf, sizeof buf, " %02x", r.Frame[i]);
            s += buf;
        }
    }
    return s;
}

TEST(EngineLink, PollsAnswersAndSendTelegramsGoBetweenTwoChannels) {
    testing::EnsureQtApplication();
    testing::TempDir dir;
    NullModem line;
    ASSERT_TRUE(line.ok());
    QtClock clock;
    QtEventLoop loop;
    testing::FakeUserInterface ui;
    auto ctx = std::make_unique<Context>(clock, loop, ui);
    ctx->run.LogFilePath = dir / "link.lg8";
    ASSERT_TRUE(ctx->log.Create());
    TappedLog tap(ctx->log);
    ctx->channelHooks.sink = &tap;

    ctx->general.ProtocolVariant = 2;
    ctx->general.TrafficKind = 1;
    SetStations(ctx->emse1, 1, 1);  // function 3: the polling station
    SetStations(ctx->emse2, 2, 2);  // function 4: the stations answering
    ctx->emse2.RxSource = source::kE2;
    ctx->emse2.TxSource = source::kS2;
    PortTable table;
    table.Override(1, line.a.device());
    table.Override(2, line.b.device());
    TermiosSerialPort port1(table);
    TermiosSerialPort port2(table);
    BindChannel(*ctx, ctx->emse1, port1);
    BindChannel(*ctx, ctx->emse2, port2);

    Engine engine(*ctx);
    EngineDriver driver(engine);
    ctx->settings.Online = 1;
    driver.Start();
    ASSERT_TRUE(testing::PumpUntil([&] { return ctx->emse2.PortOpen != 0; }, 2000));
    SendTelegramForStation(ctx->sendTelegrams.Items[0], 0, 300);
    SendTelegramForStation(ctx->sendTelegrams.Items[1], 1, 301);
    ASSERT_TRUE(RequestSend(*ctx, ctx->sendTelegrams.Items[0].Head));
    ASSERT_TRUE(RequestSend(*ctx, ctx->sendTelegrams.Items[1].Head));

    const auto sent = [&](int telNo) {
        for (const TTelegram& r : tap.records)
            if (r.Source == source::kE1 && r.TelNo == telNo) return true;
        return false;
    };
    const bool exchanged = testing::PumpUntil(
        [&] {
            line.Relay();
            return sent(300) && sent(301);
        },
        8000);
    ASSERT_TRUE(exchanged) << Listing(tap.records);
    driver.Stop();
    engine.SetOnline(false);

    const LinkLayout l = LayoutOf(*ctx);
    std::vector<Seen> exchange;
    std::uint32_t perSource[5]{};
    for (const TTelegram& r : tap.records) {
        if (r.Kind == kind::kEvent) continue;  // port opened and closed
        EXPECT_EQ(r.Status, status::kGood) << "source " << int(r.Source) << " SeqNo " << r.SeqNo;
        ++perSource[r.Source];
        if (r.Source != source::kS1 && r.Source != source::kS2) continue;
        const bool s = IsShort(r, l);
        exchange.push_back(
            {r.Source, s, s ? ShortStation(r, l) : r.Station, s ? ShortFunction(r, l) : r.TelNo});
    }
    // Every telegram sent on one channel was received whole on the other.
    EXPECT_EQ(perSource[source::kS1], perSource[source::kE2]);
    EXPECT_EQ(perSource[source::kS2], perSource[source::kE1]);
    for (int s = 1; s <= 4; ++s) {
        EXPECT_EQ(ctx->log.ErrorCount(s), 0u);
        EXPECT_GE(ctx->log.TelegramCount(s), perSource[s]);
    }

    // The general poll, the station that has data announces itself, is polled and sends.
    const std::vector<Seen> station5{{source::kS1, true, 0, 0},
                                     {source::kS2, true, 5, 0},
                                     {source::kS1, true, 5, 1},
                                     {source::kS2, false, 5, 300}};
    const std::vector<Seen> station7{{source::kS1, true, 0, 0},
                                     {source::kS2, true, 7, 0},
                                     {source::kS1, true, 7, 1},
                                     {source::kS2, false, 7, 301}};
    const auto contains = [&](const std::vector<Seen>& run) {
        return std::search(exchange.begin(), exchange.end(), run.begin(), run.end()) !=
               exchange.end();
    };
    EXPECT_TRUE(contains(station5));
    EXPECT_TRUE(contains(station7));
    const auto at = [&](int telNo) {
        return std::find_if(exchange.begin(), exchange.end(),
                            [&](const Seen& e) { return !e.isShort && e.value == telNo; });
    };
    EXPECT_LT(at(300), at(301));
    ctx->log.Close();
}

}  // namespace
}  // namespace vadrix
