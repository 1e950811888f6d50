// The polling station (function 3) and the answering station (function 4), each
// against a scripted peer whose telegrams arrive on the channel's fake port;
// what the channel sends is read back in order.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "channel/Ticks.h"
#include "editors/SendControl.h"
#include "support/EngineRig.h"
#include "support/Frames.h"
#include "transmit/Roles.h"
#include "transmit/Transmit.h"

namespace vadrix {
namespace {

using testing::EngineRig;
using testing::Fixed;
using testing::Long;
using Strings = std::vector<std::string>;

// Short telegrams of a peer: the station byte carries bit 0 of the function in
// bit 7.
std::vector<std::uint8_t> Short(std::uint8_t station, int function) {
    return Fixed(static_cast<std::uint8_t>(station | ((function & 1) << 7)),
                 static_cast<std::uint8_t>((function >> 1) & 7));
}

class Roles : public ::testing::Test, public EngineRig {
  protected:
    // Ticks until the channel has sent n telegrams in all; false after too many
    // ticks.
    bool TickUntilSent(std::size_t n, int limit = 100) {
        for (int i = 0; i < limit && SentEntries(ch).size() < n; ++i) Tick();
        return SentEntries(ch).size() >= n;
    }
    std::uint32_t TickOf(std::size_t i) { return SentEntries(ch).at(i).tick; }

    TEmSe& ch = tc->emse1;
};

// --- Polling cycle
// ----------------------------------------------------------------------

class Polling : public Roles {
  protected:
    void SetUp() override {
        Configure(2, 1, 0, 1);
        SetStations(ch, {5, 6, 7});
        GoOnline();
        ASSERT_EQ(ch.ChannelFunction, 3u);
    }
};

TEST_F(Polling, GeneralPollAnnouncementPollsAndClassPollsInOrder) {
    const std::uint32_t interval = SecondsToTicks(tc->run, 2.0);
    const std::uint32_t answerWait = ch.ReplyTicks;

    // The cycle opens with a class poll, and the first interrogation interval
    // ends with a general poll.
    ASSERT_TRUE(TickUntilSent(2));
    EXPECT_EQ(Sent(ch), (Strings{"R5/2", "R0/0"}));

    // Station 6 announces itself and is polled at once; its data answer and then
    // its "nothing" end the poll.
    Receive(port1, Short(6, 0));
    EXPECT_EQ(Sent(ch).size(), 3u);
    Receive(port1, Long(6, 1, 0, 100));
    Ticks(2);
    EXPECT_EQ(Sent(ch).size(), 3u) << "the poll waits for the station";
    Receive(port1, Short(6, 1));

    // The class polls go round the stations.
    ASSERT_TRUE(TickUntilSent(4));
    Receive(port1, Short(6, 1));  // "nothing" to the class poll

    // The next general poll comes one interrogation interval after the first.
    ASSERT_TRUE(TickUntilSent(5));
    EXPECT_EQ(TickOf(4) - TickOf(1), interval);

    // Answers collide: every station is polled in turn; a station that does not
    // answer is given the answer wait, one that answers ends its wait at once.
    Receive(port1, {0x10, 0x05, 0x00, 0x07, 0x16});
    EXPECT_EQ(Sent(ch).size(), 6u);
    ASSERT_TRUE(TickUntilSent(7));
    EXPECT_EQ(TickOf(6) - TickOf(5), answerWait);
    Receive(port1, Short(6, 1));
    EXPECT_EQ(Sent(ch).size(), 8u);
    ASSERT_TRUE(TickUntilSent(10));

    EXPECT_EQ(Sent(ch), (Strings{"R5/2", "R0/0", "R6/1", "R6/2", "R0/0", "R5/1", "R6/1", "R7/1",
                                 "R7/2", "R0/0"}));
    EXPECT_EQ(TickOf(9) - TickOf(4), interval);
}

TEST_F(Polling, TheReplyRequestsOfReceptionAreServedFirst) {
    ASSERT_TRUE(TickUntilSent(1));
    ch.PendAck = 0x22010040 | 10;
    ch.StationIdx = 1;
    ch.CurrentStation = 6;
    Tick();
    // The acknowledgement goes to the station being served, whose telegram asked for it.
    EXPECT_EQ(Sent(ch).back(), "T513@6");
}

TEST_F(Polling, WithoutInterrogationPeriodDueItemsStillGoOut) {
    ch.P.InterrogationPeriodMs = 0;
    TSendTelegram& t = tc->sendTelegrams.Items[0];
    t.Head.Send = ch.TxSource;
    t.Head.Entry.TelNr = 444;
    t.Head.Entry.Da = 1;
    Ticks(15);
    ASSERT_TRUE(RequestSend(*tc, t.Head));
    Ticks(15);
    const Strings sent = Sent(ch);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "R0/0"), 0) << "no general poll";
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), "T444@5");
}

// --- Answering side
// ---------------------------------------------------------------------

class Answering : public Roles {
  protected:
    void SetUp() override {
        Configure(2, 2, 0, 1);
        SetStations(ch, {5});
        GoOnline();
        ASSERT_EQ(ch.ChannelFunction, 4u);
        item.Head.Send = ch.TxSource;
        item.Head.StNr = 0;
        item.Head.WZt = 0;
        item.Head.Entry.TelNr = 200;
        item.Head.Entry.Lg = 0;
        item.Head.Entry.Da = 1;
        item.Head.Entry.Typ = 1;
    }
    TSendTelegram& item = tc->sendTelegrams.Items[0];
};

TEST_F(Answering, AnnouncesItselfSendsItsDataWhenPolledAndElseSaysNothing) {
    ASSERT_TRUE(RequestSend(*tc, item.Head));
    Ticks(3);
    EXPECT_TRUE(Sent(ch).empty()) << "an answering station speaks only when asked";

    Receive(port1, Short(0, 0));  // general poll
    Receive(port1, Short(5, 1));  // poll of station 5
    Ticks(3);                     // nothing more is due: the remembered station is forgotten
    EXPECT_EQ(ch.RememberedStation, 0);
    Receive(port1, Short(5, 1));  // polled again
    Receive(port1, Short(5, 2));  // class poll
    Receive(port1, Short(0, 0));  // general poll with nothing to send
    Ticks(2);

    EXPECT_EQ(Sent(ch), (Strings{"R5/0", "T200@5", "R5/1", "R5/1"}));
    // The last data telegram of the station carries the last-flag.
    EXPECT_EQ(SentEntries(ch)[1].rec.Frame[4], 0x85);
}

TEST_F(Answering, AStationWithMoreDueItemsSendsThemOneATickAfterItsPoll) {
    item.Head.AnzT = 3;
    ASSERT_TRUE(RequestSend(*tc, item.Head));
    Receive(port1, Short(5, 1));
    Ticks(4);
    EXPECT_EQ(Sent(ch), (Strings{"T200@5", "T200@5", "T200@5"}));
    const auto sent = SentEntries(ch);
    EXPECT_EQ(sent[0].rec.Frame[4], 5) << "more is due: no last-flag";
    EXPECT_EQ(sent[2].rec.Frame[4], 0x85);
}

TEST_F(Answering, ARepeatRequestSendsTheKeptTelegramAgain) {
    Receive(port1, Short(5, 1));
    ASSERT_EQ(Sent(ch), Strings{"R5/1"});
    // Telegram 0x201 asks for sequence number 3 again; the store holds a telegram
    // for it from the channel's set-up.
    Receive(port1, Long(5, 0, 0, 0x201, 0x80 | 3));
    ASSERT_EQ(Sent(ch).size(), 2u);
    const TTelegram again = SentEntries(ch)[1].rec;
    EXPECT_EQ(testing::Describe(again), "T512@5!37");
    EXPECT_EQ(again.Frame[5] & 31, 3);
    EXPECT_EQ(ch.PendRepeat, 0u);
}

TEST_F(Answering, LinkTestFlagSevenAnswersAGeneralPollWithTheEmptyAcknowledgement) {
    ASSERT_TRUE(RequestSend(*tc, item.Head));
    ch.LinkTestFlags[kLinkTestEmptyAck] = true;
    Receive(port1, Short(0, 0));
    EXPECT_EQ(Sent(ch), Strings{"ACK!26"});
    EXPECT_EQ(port1.writes.back(), std::vector<std::uint8_t>{0x00});
}

// --- Function 2
// -------------------------------------------------------------------------

TEST_F(Roles, FunctionTwoStartsUpAnswersTheCycleAndRepeatsOnRequest) {
    Configure(2, 2, 0, 0);
    SetStations(ch, {1});
    GoOnline();
    ASSERT_EQ(ch.ChannelFunction, 2u);
    Ticks(3);
    EXPECT_TRUE(Sent(ch).empty());

    Receive(port1, Long(1, 0, 0, 0x202));  // the peer starts over: the start-up request
    Receive(port1, Long(1, 0, 0, 0x200));  // the peer's cycle: the cyclic request
    Receive(port1, Long(1, 0, 0, 0x201,
                        0x80 | 1));  // number 1 again: the start-up request
    Receive(port1, Long(1, 0, 0, 0x201,
                        0x80 | 5));  // never sent: the telegram kept at set-up
    Ticks(3);
    EXPECT_EQ(Sent(ch), (Strings{"T781@1", "T512@1", "T781@1!37", "T512@1!37"}));
    const auto sent = SentEntries(ch);
    EXPECT_EQ(sent[0].rec.Frame[5] & 31, 1);
    EXPECT_EQ(sent[1].rec.Frame[5] & 31, 2);
    EXPECT_EQ(sent[3].rec.Frame[5] & 31, 5);
}

}  // namespace
}  // namespace vadrix
