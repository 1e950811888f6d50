// Sequence numbers, reply request slots and the start conditions of send items.

#include "channel/Ticks.h"
#include "core/channel/ReceptionFixture.h"

namespace vadrix::testing {
namespace {

class SequenceTest : public ReceptionTest {
  protected:
    void SetUp() override { Start(2, 1); }  // channel function 1 checks sequence numbers
    int Receive(int seq, int dataKind = 0, bool flag = false) {
        Feed(Long(1, seq, dataKind, 0x10, 0, flag));
        return Last().Status;
    }
    std::uint8_t LastSeq() { return Ch().LastSeq[0]; }
};

struct SeqCase {
    const char* name;
    std::vector<int> seqs;
    std::vector<int> statuses;
    int lastAfter;
};

TEST_F(SequenceTest, OrderRepetitionAndGaps) {
    const std::vector<SeqCase> cases = {
        {"in order across the wrap", {29, 30, 1}, {40, 40, 40}, 1},
        {"repetition", {30, 30}, {40, 20}, 30},
        {"gap of three is accepted as the new last", {30, 3}, {40, 20}, 3},
        {"gap of eight", {5, 13}, {40, 20}, 13},
        {"gap of nine is not taken over", {5, 14}, {40, 20}, 5},
        {"reset takes any number", {5, 31, 9}, {40, 40, 40}, 9},
    };
    for (const SeqCase& c : cases) {
        SCOPED_TRACE(c.name);
        InitChannel(*tc, Ch());
        std::vector<int> got;
        for (const int seq : c.seqs) got.push_back(Receive(seq));
        EXPECT_EQ(got, c.statuses);
        EXPECT_EQ(LastSeq(), c.lastAfter);
    }
}

TEST_F(SequenceTest, MissingTelegramAsksForARepeat) {
    Receive(4);
    Ch().PendRepeat = 0;
    EXPECT_EQ(Receive(6), 20);  // 5 is missing
    EXPECT_EQ(Ch().PendRepeat, 0x22010080u | 5);
    EXPECT_EQ(LastSeq(), 6);
}

// The repeat asked for arrives after later numbers: it is the awaited one, not an error, once.
TEST_F(SequenceTest, TheAwaitedRepeatArrivesWithItsOwnCode) {
    Receive(4);
    EXPECT_EQ(Receive(6), 20);
    Ch().ExpectSeq = 5;  // as serving the repeat request leaves it
    EXPECT_EQ(Receive(5), 44);
    EXPECT_EQ(Ch().ExpectSeq, -1);
    EXPECT_EQ(LastSeq(), 6);
    EXPECT_EQ(Receive(5), 20);
}

TEST_F(SequenceTest, RepeatAfterThirtyAsksForOne) {
    Receive(30);
    EXPECT_EQ(Receive(2), 20);
    EXPECT_EQ(Ch().PendRepeat, 0x22010080u | 1);
}

TEST_F(SequenceTest, AcknowledgementRequests) {
    Receive(9);
    EXPECT_EQ(Receive(10), 40);
    EXPECT_EQ(Ch().PendAck, 0x22010040u | 10);
    Ch().PendAck = 0;
    EXPECT_EQ(Receive(11, 0, true), 40);
    EXPECT_EQ(Ch().PendAck, 0x22010060u | 11);  // the flag asks for one at once
    EXPECT_EQ(Receive(20 - 8, 0, true), 40);
    Ch().PendAck = 0;
    Ch().LinkTestFlags[kLinkTestNoAck] = true;
    Receive(13, 0, true);
    EXPECT_EQ(Ch().PendAck, 0u);
}

TEST_F(SequenceTest, NonAnswerKindRepetitionIsNotAnError) {
    tc->general.DataSync = 0;
    Receive(7, 3);
    EXPECT_EQ(Receive(7, 3), 40);
    tc->general.DataSync = 1;  // with data synchronisation kind 3 is of answer kind
    EXPECT_EQ(Receive(7, 3), 20);
}

TEST_F(SequenceTest, ResetTelegramRequestsTheSystemTelegramAtMostEveryTwoSeconds) {
    tc->run.TickCount = 100;
    Receive(31);
    EXPECT_EQ(Ch().PendSys, 0x22020000u);
    EXPECT_EQ(Ch().PendSysNext, 100 + SecondsToTicks(tc->run, 2.0));
    Ch().PendSys = 0;
    Receive(31);
    EXPECT_EQ(Ch().PendSys, 0u);
}

TEST_F(SequenceTest, StationOutsideTheSlotsSkipsTheCheck) {
    // A station list read from a file may claim more stations than there are slots.
    Ch().P.StationCount = 16;
    Ch().P.StationAddr[15] = 1;
    Ch().P.StationAddr[0] = 9;
    Feed(Long(1, 5, 0, 0x10));
    EXPECT_EQ(Last().Status, 31);  // slot 15 is never searched
}

TEST_F(ReceptionTest, SystemTelegramsOfFunction2) {
    Start(2, 2);
    TStationState& st = Ch().StationState[0];
    st.W2 = 7;
    st.W4 = 1;
    Feed(Long(1, 0, 0, 0x201, 0x80 | 0x40 | 0x20 | 12));
    EXPECT_EQ(Last().Status, 40);
    EXPECT_EQ(Ch().PendRepeat, 12u);
    EXPECT_EQ(st.W3, 12u);
    EXPECT_EQ(st.W2, 0u);
    EXPECT_EQ(st.W4, 0u);  // the toggle is acknowledged
    EXPECT_EQ(st.W1, 31u);
    Feed(Long(1, 0, 0, 0x202));
    EXPECT_EQ(st.W1, 0u);
    Feed(Long(1, 0, 0, 0x200));
    EXPECT_EQ(Ch().CycleRequest, 1);
}

TEST_F(ReceptionTest, ShortTelegramsOfFunction4SetPollAddresses) {
    Start(1, 2, 1);
    Ch().P.StationAddr[1] = 3;
    Ch().P.StationCount = 2;
    Feed(Envelope(2, 1, 0, 13, ShortBits(3, 1)));
    EXPECT_EQ(Ch().PollAddr1, 3);
    Feed(Envelope(2, 1, 0, 13, ShortBits(3, 5)));
    EXPECT_EQ(Ch().PollAddr, 3);
    EXPECT_EQ(Ch().StationIdx, 1);
}

TEST_F(ReceptionTest, Function3NotesShortAddressesAndTheReplyDeadline) {
    Start(1, 1, 1);
    Feed(Envelope(2, 1, 0, 13, ShortBits(1, 0)));
    EXPECT_EQ(Ch().ShortAddr0, 1);
    Feed(Envelope(2, 1, 0, 13, ShortBits(1, 2)));
    EXPECT_EQ(Ch().ShortAddrX, 1);
    // A broken telegram while polling forgets the station that was asked.
    Ch().PollPhase = 1;
    Feed({0x68, 0x01});
    Pause();
    EXPECT_EQ(Ch().ShortAddr0, -1);
    tc->run.TickCount = 50;
    Feed(Envelope(2, 1, 0, 51, MonitoredBits(2, 1, 3, 0, 0x10)));
    EXPECT_EQ(Last().Status, 40);
    EXPECT_EQ(Ch().ReplyDeadline, 50 + Ch().ReplyTicks);
}

TEST_F(ReceptionTest, ReceivedTelegramReadiesMatchingSendItems) {
    Start(2, 2);
    TSendHeader& byTel = tc->sendTelegrams.Items[3].Head;
    byTel.Send = source::kS2;
    byTel.Anst = 1;
    byTel.AnstTNr = 0x123;
    byTel.AnstDa = 0;
    byTel.AnstByte = 0x44;
    TSendHeader& otherChannel = tc->sendTelegrams.Items[4].Head;
    otherChannel = byTel;
    otherChannel.Send = source::kS1;
    TSendHeader& list = tc->sendLists.Items[0].Head;
    list = byTel;
    list.AnstByte = 255;
    TSendHeader& wrongByte = tc->sendLists.Items[1].Head;
    wrongByte = byTel;
    wrongByte.AnstByte = 0x45;

    Feed(Long(1, 0, 0, 0x123, 0x44));
    EXPECT_EQ(byTel.SendState, 1);
    EXPECT_EQ(otherChannel.SendState, 0);
    EXPECT_EQ(list.SendState, 1);
    EXPECT_EQ(wrongByte.SendState, 0);
}

}  // namespace
}  // namespace vadrix::testing
