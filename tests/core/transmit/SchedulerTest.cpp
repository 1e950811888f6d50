// Send telegrams and send lists on the main timer: repetitions with their pause, list passes,
// the order of due items, starts at given minutes, and the cyclic request of function 1 with
// its supervision.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "channel/Ticks.h"
#include "editors/SendControl.h"
#include "support/EngineRig.h"
#include "support/Frames.h"
#include "transmit/Scheduler.h"
#include "transmit/Transmit.h"

namespace vadrix {
namespace {

using testing::EngineRig;

class Scheduling : public ::testing::Test, public EngineRig {
  protected:
    void SetUp() override { Configure(); }

    // A list of rows 1..n whose objects are 100 + row, endless, with a pause after each pass.
    void MakeList(int slot, int rows, int anzO, int pauseMs) {
        TSendList& l = working;
        l = TSendList{};
        for (int r = 1; r <= rows; ++r) {
            l.Row(r).Akt = 1;
            l.Row(r).TelNr = static_cast<std::uint16_t>(100 + r);
            l.Row(r).Lg = 0;
            l.Row(r).Da = 1;
        }
        l.Head.Send = ch.TxSource;
        l.Head.AnzO = anzO;
        l.Head.AnzT = 0;
        l.Head.WZt = pauseMs;
        StoreList(*tc, slot, l);
    }

    // The rows sent, with "|" where more than one tick lay between two of them.
    std::string ListPattern(std::size_t count) {
        std::string s;
        const auto sent = SentEntries(ch);
        for (std::size_t i = 0; i < sent.size() && i < count; ++i) {
            if (i > 0) s += sent[i].tick - sent[i - 1].tick > 1 ? " | " : " ";
            s += std::to_string(sent[i].rec.TelNo - 100);
        }
        return s;
    }

    TEmSe& ch = tc->emse1;
    TSendList working;
};

TEST_F(Scheduling, ATelegramGoesOutAnzTTimesWithItsPauseBetween) {
    GoOnline();
    TSendTelegram& t = tc->sendTelegrams.Items[0];
    t.Head.Send = ch.TxSource;
    t.Head.AnzT = 3;
    t.Head.WZt = 1000;
    ASSERT_TRUE(RequestSend(*tc, t.Head));
    Ticks(80);

    const auto sent = SentEntries(ch);
    ASSERT_EQ(sent.size(), 3u);
    for (std::size_t i = 1; i < sent.size(); ++i) {
        const std::uint32_t ms = (sent[i].tick - sent[i - 1].tick) * kTickMs;
        EXPECT_GE(ms, 1000u);
        EXPECT_LE(ms, 1150u);
    }
    EXPECT_EQ(t.Head.SendState, 0);
    EXPECT_EQ(t.Head.SentCount, 0);
}

struct PassCase {
    int anzO;
    const char* pattern;
};

class ListPasses : public Scheduling, public ::testing::WithParamInterface<PassCase> {};

TEST_P(ListPasses, RowsGoOutInPassesOfAnzOWithThePauseBetweenPasses) {
    GoOnline();
    MakeList(1, 5, GetParam().anzO, 500);
    ASSERT_TRUE(RequestSendList(*tc, tc->sendLists.Items[0]));
    Ticks(80);
    EXPECT_EQ(ListPattern(12), GetParam().pattern);
}

INSTANTIATE_TEST_SUITE_P(Counts, ListPasses,
                         ::testing::Values(PassCase{2, "1 2 | 3 4 | 5 1 | 2 3 | 4 5 | 1 2"},
                                           PassCase{0, "1 2 3 4 5 | 1 2 3 4 5 | 1 2"},
                                           PassCase{7, "1 2 3 4 5 1 2 | 3 4 5 1 2"}));

TEST_F(Scheduling, RowsOutOfUseAreSteppedOver) {
    GoOnline();
    MakeList(1, 5, 0, 500);
    working.Row(2).Akt = 0;
    working.Row(4).Akt = 0;
    StoreList(*tc, 1, working);
    ASSERT_EQ(working.ActiveCount, 3);
    ASSERT_TRUE(RequestSendList(*tc, tc->sendLists.Items[0]));
    Ticks(30);
    EXPECT_EQ(ListPattern(6), "1 3 5 | 1 3 5");
}

TEST_F(Scheduling, ATelegramGoesBeforeAListAndTheListAtTheNextFreeTick) {
    GoOnline();
    MakeList(1, 1, 0, 0);
    tc->sendLists.Items[0].Head.AnzT = 1;
    TSendTelegram& t = tc->sendTelegrams.Items[2];
    t.Head.Send = ch.TxSource;
    t.Head.Entry.TelNr = 333;
    ASSERT_TRUE(RequestSendList(*tc, tc->sendLists.Items[0]));
    ASSERT_TRUE(RequestSend(*tc, t.Head));
    Ticks(5);

    const auto sent = SentEntries(ch);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].rec.TelNo, 333);
    EXPECT_EQ(sent[1].rec.TelNo, 101);
    EXPECT_EQ(sent[1].tick, sent[0].tick + 1);
}

TEST_F(Scheduling, AnItemOfTheOtherChannelIsNotSentHere) {
    GoOnline();
    TSendTelegram& t = tc->sendTelegrams.Items[0];
    t.Head.Send = tc->emse2.TxSource;
    ASSERT_TRUE(RequestSend(*tc, t.Head));
    Ticks(3);
    EXPECT_TRUE(Sent(ch).empty());
    EXPECT_EQ(Sent(tc->emse2).size(), 1u);
}

// --- Starts at given minutes ------------------------------------------------------------

struct TriggerCase {
    int anst;
    int min;
    std::set<int> minutes;
};

class TimeTriggers : public Scheduling, public ::testing::WithParamInterface<TriggerCase> {
  protected:
    // The minutes of one hour at which the item became ready, the engine ticking through.
    std::set<int> ReadyMinutes(TSendHeader& h) {
        std::set<int> ready;
        for (int m = 0; m < 60; ++m) {
            tc.clock.now.minute = m;
            tc.clock.now.second = 0;
            h.SendState = 0;
            Ticks(2);  // one of them is even
            if (h.SendState == 1) ready.insert(m);
        }
        return ready;
    }
};

TEST_P(TimeTriggers, ItemsBecomeReadyAtTheirMinutes) {
    // Sent by no channel, so that the state the trigger leaves stays to be seen.
    TSendTelegram& t = tc->sendTelegrams.Items[4];
    TSendList& l = tc->sendLists.Items[6];
    for (TSendHeader* h : {&t.Head, &l.Head}) {
        h->Anst = GetParam().anst;
        h->Min = GetParam().min;
        h->Send = 0;
    }
    GoOnline();
    EXPECT_EQ(ReadyMinutes(t.Head), GetParam().minutes);
    EXPECT_EQ(ReadyMinutes(l.Head), GetParam().minutes);
}

INSTANTIATE_TEST_SUITE_P(Modes, TimeTriggers,
                         ::testing::Values(TriggerCase{4, 15, {0, 15, 30, 45}},
                                           TriggerCase{3, 15, {15}}, TriggerCase{4, 0, {0}},
                                           TriggerCase{3, 0, {0}},
                                           TriggerCase{4, 7, {0, 7, 14, 21, 28, 35, 42, 49, 56}},
                                           TriggerCase{1, 15, {}}, TriggerCase{0, 0, {}}));

TEST_F(Scheduling, NoMinuteStartsAnythingWhileOffline) {
    TSendTelegram& t = tc->sendTelegrams.Items[0];
    t.Head.Anst = 4;
    t.Head.Min = 1;
    t.Head.Send = 0;
    GoOnline();
    engine.GoOffline();
    ASSERT_EQ(tc->settings.Online, 0);
    for (int m = 0; m < 60; ++m) {
        tc.clock.now.minute = m;
        Ticks(2);
        ASSERT_EQ(t.Head.SendState, 0) << "minute " << m;
    }
}

// --- Function 1: the cyclic request and its supervision ---------------------------------

class Cyclic : public Scheduling {
  protected:
    void SetUp() override {
        Configure(2, 1);
        ch.P.CycleSeconds = 2;
        GoOnline();
        ASSERT_EQ(ch.ChannelFunction, 1u);
        reload = SecondsToTicks(tc->run, 2.0);
    }
    std::vector<std::uint32_t> RequestTicks() {
        std::vector<std::uint32_t> ticks;
        for (const auto& e : SentEntries(ch)) {
            EXPECT_EQ(testing::Describe(e.rec), "T512@1");
            ticks.push_back(e.tick);
        }
        return ticks;
    }
    // The station's answer to a cyclic request: object 512, with its next sequence number.
    void Answer() {
        seq = seq % 30 + 1;
        Receive(port1, testing::Long(1, seq, 0, 0x200));
        ASSERT_EQ(sink.entries.back().rec.Status, status::kGood);
    }
    std::uint32_t reload = 0;
    int seq = 0;
};

TEST_F(Cyclic, TheRequestGoesOutAfterASecondThenEveryCycle) {
    Ticks(130);
    const std::uint32_t first = SecondsToTicks(tc->run, 1.0) - 1;  // counted from tick 0
    EXPECT_EQ(RequestTicks(), (std::vector<std::uint32_t>{first, first + reload, first + 2 * reload,
                                                          first + 3 * reload}));
    const TTelegram r = SentEntries(ch)[0].rec;
    EXPECT_EQ(r.Frame[8], 0xAA);  // the data of the cyclic request
    EXPECT_EQ(r.Frame[9], 0x55);
}

TEST_F(Cyclic, WithoutAnswerTheSupervisionRunsOutAfterThreeCycles) {
    Ticks(130);
    const auto events = Events(status::kSupervision);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].rec.Source, ch.TxSource);
    EXPECT_EQ(events[0].rec.Kind, kind::kEvent);
    const std::uint32_t started = RequestTicks().at(0);
    EXPECT_NEAR(events[0].tick - started, 3.0 * reload, 1.0);
    EXPECT_EQ(ch.ReceivedStatus, 31);
}

TEST_F(Cyclic, AnAnswerToEachRequestKeepsTheSupervisionQuiet) {
    for (int i = 0; i < 200; ++i) {
        const std::size_t before = SentEntries(ch).size();
        Tick();
        if (SentEntries(ch).size() > before) Answer();
    }
    EXPECT_GE(RequestTicks().size(), 5u);
    EXPECT_TRUE(Events(status::kSupervision).empty());
}

TEST_F(Cyclic, ReceivedTelegramsDoNotHastenTheCycle) {
    // Each received telegram runs a transmit step of its own; the cycle counts time, not
    // steps.
    ch.LinkTestFlags[kLinkTestNoAck] = true;
    for (int i = 0; i < 60; ++i) {
        Tick();
        for (int k = 0; k < 3; ++k) Answer();
    }
    const std::uint32_t first = SecondsToTicks(tc->run, 1.0) - 1;
    const std::vector<std::uint32_t> ticks = RequestTicks();
    ASSERT_EQ(ticks.size(), 2u);
    // A request follows a tick's answers, so it may carry the next tick's count.
    EXPECT_NEAR(ticks[0], first, 1.0);
    EXPECT_NEAR(ticks[1] - ticks[0], reload, 1.0);
}

TEST_F(Cyclic, TheRequestSlotsAreServedFirstInTheirOrder) {
    ch.PendRepeat = 0x22010080 | 7;
    ch.PendAck = 0x22010060 | 3;
    ch.PendSys = 0x22020000;
    Ticks(4);
    EXPECT_EQ(Sent(ch), (std::vector<std::string>{"T514@1", "T513@1", "T513@1"}));
    const auto sent = SentEntries(ch);
    EXPECT_EQ(sent[1].rec.Frame[8], 0x63);  // the first data byte carries the request
    EXPECT_EQ(sent[2].rec.Frame[8], 0x87);
    EXPECT_EQ(ch.ExpectSeq, 7);  // reception awaits the repeated number
}

}  // namespace
}  // namespace vadrix
