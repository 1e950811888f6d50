// The transmit sequence of one channel: send delays in place or on the one-shot timer, the
// time the bytes occupy the line, RTS and DTR around a transmission, and the link-test
// switches that keep a telegram off the line or spoil it.

#include <gtest/gtest.h>

#include <bit>
#include <vector>

#include "channel/Ticks.h"
#include "support/EngineRig.h"
#include "transmit/Compose.h"
#include "transmit/Transmit.h"

namespace vadrix {
namespace {

using testing::EngineRig;
using Bytes = std::vector<std::uint8_t>;

// A kind-0 telegram with station byte: 12 bytes in variant 2.
TSendTelegram KindZero() {
    TSendTelegram t;
    t.Head.Entry.Typ = 1;
    t.Head.Entry.Lg = 0;
    t.Head.Entry.Da = 0;
    t.Head.Entry.TelNr = 300;
    return t;
}

class Sequence : public ::testing::Test, public EngineRig {
  protected:
    void Open(int variant = 2) {
        Configure(variant);
        GoOnline();
    }
    TEmSe& ch = tc->emse1;
};

// --- Send delays ------------------------------------------------------------------------

struct DelayCase {
    int ms;
    std::uint32_t timerMs;  // 0: waited in place
};

class SendDelay : public Sequence, public ::testing::WithParamInterface<DelayCase> {};

TEST_P(SendDelay, ShortOnesAreWaitedInPlaceLongerOnesRunOnTheTimer) {
    const DelayCase c = GetParam();
    ch.P.PreSendDelayMs = c.ms;
    Open();
    SendRequest(*tc, ch, 5, 1);
    const std::uint32_t before = tc.clock.ms;
    ContinueTransmit(*tc, ch);

    if (c.timerMs == 0) {
        EXPECT_EQ(tc.loop.oneShots, 0);
        EXPECT_GE(tc.clock.ms - before, static_cast<std::uint32_t>(c.ms));
        EXPECT_EQ(port1.writes.size(), 1u);
        EXPECT_EQ(ch.TxPhase, tx_phase::kIdle);
        return;
    }
    ASSERT_EQ(tc.loop.oneShots, 1);
    EXPECT_EQ(tc.loop.lastOneShotMs, c.timerMs);
    EXPECT_NE(ch.TxTimerId, 0u);
    EXPECT_EQ(ch.TxPhase, tx_phase::kPreSend);
    EXPECT_TRUE(port1.writes.empty());
    // The fallback tick lies about 10 % behind the delay.
    EXPECT_EQ(ch.TxAllowedTick, tc->run.TickCount + 1 + SecondsToTicks(tc->run, c.ms * 0.0011));

    // The timer's message lets the sequence go on at once, without a tick.
    tc.clock.Advance(c.timerMs);
    tc.loop.ProcessPending();  // the timer fires and posts
    tc.loop.ProcessPending();  // the posted transmit step runs
    EXPECT_EQ(port1.writes.size(), 1u);
    EXPECT_EQ(ch.TxPhase, tx_phase::kIdle);
    EXPECT_EQ(ch.TxTimerId, 0u);
}

INSTANTIATE_TEST_SUITE_P(Boundaries, SendDelay,
                         ::testing::Values(DelayCase{54, 0}, DelayCase{55, 60}, DelayCase{64, 60},
                                           DelayCase{65, 70}));

TEST_F(Sequence, ATimerMessageAfterTheFallbackTickDoesNothing) {
    ch.P.PreSendDelayMs = 55;
    Open();
    SendRequest(*tc, ch, 5, 1);
    ContinueTransmit(*tc, ch);
    ASSERT_EQ(tc.loop.oneShots, 1);

    // The timer is late: the fallback tick comes first and the sequence goes on.
    tc->run.TickCount = ch.TxAllowedTick;
    TransmitTick(*tc, ch);
    ASSERT_EQ(port1.writes.size(), 1u);
    ASSERT_EQ(ch.TxPhase, tx_phase::kIdle);

    // Something new to send waits for the next tick; the late timer must not start it.
    TSendTelegram& item = tc->sendTelegrams.Items[0];
    item.Head.Send = ch.TxSource;
    item.Head.SendState = 1;
    tc.clock.Advance(100);
    tc.loop.ProcessPending();
    tc.loop.ProcessPending();
    EXPECT_EQ(tc.loop.PendingTasks(), 0u);
    EXPECT_EQ(ch.TxPhase, tx_phase::kIdle);
    EXPECT_EQ(item.Head.SendState, 1);
    EXPECT_EQ(port1.writes.size(), 1u);
}

// --- Line time ----------------------------------------------------------------------------

TEST(LineTime, TheBytesOfAFrameAtTheLineSpeedPlusOne) {
    EXPECT_EQ(LineTimeMs(12, 9600), 15u);   // 133000 / 9600 = 13.85
    EXPECT_EQ(LineTimeMs(5, 9600), 7u);     // 5.83
    EXPECT_EQ(LineTimeMs(58, 38400), 18u);  // 16.64
    EXPECT_EQ(LineTimeMs(1, 1000), 13u);    // 12 exactly
    EXPECT_GE(LineTimeMs(12, 0), 1u);       // no speed set: no division by zero
}

// After sending, the sequence waits the line time plus lock time + 1; the boundary of the
// busy wait shows the sum exactly: 15 + 38 + 1 = 54 is waited in place, 55 is not.
struct LockCase {
    int lockMs;
    std::uint32_t timerMs;
};

class AfterSendWait : public Sequence, public ::testing::WithParamInterface<LockCase> {};

TEST_P(AfterSendWait, IsTheLineTimePlusTheLockTimeAndOne) {
    ch.P.LockTimeMs = GetParam().lockMs;
    Open();
    TSendTelegram def = KindZero();
    ComposeTelegram(*tc, ch, def);
    ASSERT_EQ(ch.TxBuffer.FrameLen, 12);
    ContinueTransmit(*tc, ch);
    ASSERT_EQ(port1.writes.size(), 1u);
    EXPECT_EQ(tc.loop.oneShots, GetParam().timerMs == 0 ? 0 : 1);
    if (GetParam().timerMs == 0) {
        EXPECT_EQ(ch.TxPhase, tx_phase::kIdle);
        EXPECT_EQ(ch.Transmitting, 0);
        return;
    }
    EXPECT_EQ(tc.loop.lastOneShotMs, GetParam().timerMs);
    EXPECT_EQ(ch.TxPhase, tx_phase::kLine);
    EXPECT_EQ(ch.Transmitting, 1);  // the transmit indicator stays lit meanwhile
}

INSTANTIATE_TEST_SUITE_P(Boundaries, AfterSendWait,
                         ::testing::Values(LockCase{38, 0}, LockCase{39, 60}, LockCase{48, 60},
                                           LockCase{49, 70}));

// --- RTS and DTR ------------------------------------------------------------------------

struct RtsCase {
    int function;
    bool resting;
    bool sending;
    bool logged;
    bool dtr;
};

class RtsFunction : public Sequence, public ::testing::WithParamInterface<RtsCase> {};

TEST_P(RtsFunction, SwitchesAndLogsRtsAroundATransmission) {
    const RtsCase c = GetParam();
    ch.P.RtsFunction = static_cast<std::uint8_t>(c.function);
    ch.P.RtsLeadMs = 5;
    ch.P.RtsLagMs = 5;
    Open();
    EXPECT_EQ(port1.rts, c.resting);
    EXPECT_EQ(port1.dtr, c.dtr);

    SendRequest(*tc, ch, 5, 1);
    ContinueTransmit(*tc, ch);
    ASSERT_EQ(port1.rtsAtWrite.size(), 1u);
    EXPECT_EQ(port1.rtsAtWrite[0], c.sending);
    EXPECT_EQ(port1.rts, c.resting);
    EXPECT_EQ(port1.dtr, c.dtr);

    std::vector<std::uint32_t> values;
    for (const auto& e : Events(status::kRtsSwitched)) {
        EXPECT_EQ(e.rec.Kind, kind::kLineEvent);
        EXPECT_EQ(e.rec.Source, ch.TxSource);
        values.push_back(testing::EventValue(e.rec));
    }
    const std::vector<std::uint32_t> want =
        c.logged ? std::vector<std::uint32_t>{c.sending, c.resting} : std::vector<std::uint32_t>{};
    EXPECT_EQ(values, want);
}

INSTANTIATE_TEST_SUITE_P(
    Functions, RtsFunction,
    ::testing::Values(RtsCase{0, true, true, false, true}, RtsCase{1, false, false, false, true},
                      RtsCase{2, false, true, true, true}, RtsCase{3, true, false, true, true},
                      RtsCase{4, true, true, false, false}, RtsCase{5, false, false, false, false},
                      RtsCase{6, false, true, true, false}, RtsCase{7, true, false, true, false}));

TEST_F(Sequence, OutsideVariantTwoRtsIsNeitherSwitchedNorLogged) {
    ch.P.RtsFunction = 2;
    Open(1);
    SendRequest(*tc, ch, 5, 1);
    ContinueTransmit(*tc, ch);
    ASSERT_EQ(port1.rtsAtWrite.size(), 1u);
    EXPECT_FALSE(port1.rtsAtWrite[0]);
    EXPECT_TRUE(Events(status::kRtsSwitched).empty());
}

// --- Link-test switches -----------------------------------------------------------------

TEST_F(Sequence, FlagOneLogsTheTelegramAndKeepsItOffTheLine) {
    Open();
    ch.LinkTestFlags[kLinkTestNotOnLine] = true;
    SendRequest(*tc, ch, 5, 1);
    ContinueTransmit(*tc, ch);
    EXPECT_TRUE(port1.written.empty());
    ASSERT_EQ(Sent(ch), std::vector<std::string>{"R5/1!21"});
}

TEST_F(Sequence, FlagEightSpoilsTheChecksumInVariantTwo) {
    Open();
    ch.LinkTestFlags[kLinkTestCorrupt] = true;
    TSendTelegram def = KindZero();
    ComposeTelegram(*tc, ch, def);
    const TTelegram composed = ch.TxBuffer;
    ContinueTransmit(*tc, ch);

    ASSERT_EQ(port1.writes.size(), 1u);
    Bytes want(composed.Frame, composed.Frame + composed.FrameLen);
    want[want.size() - 2] = static_cast<std::uint8_t>(want[want.size() - 2] + 1);
    EXPECT_EQ(port1.writes[0], want);
    EXPECT_EQ(SentEntries(ch).at(0).rec.Status, tx_code::kSumError);
}

TEST_F(Sequence, FlagEightInvertsTheLastBitOfAPackedTelegramInVariantOne) {
    Open(1);
    ch.LinkTestFlags[kLinkTestCorrupt] = true;
    TSendTelegram def = KindZero();
    ComposeTelegram(*tc, ch, def);
    const TTelegram composed = ch.TxBuffer;
    SendTxBuffer(*tc, ch);

    ASSERT_EQ(port1.writes.size(), 1u);
    const Bytes& got = port1.writes[0];
    ASSERT_EQ(got.size(), static_cast<std::size_t>(composed.FrameLen));
    const int len = composed.FrameLen;
    int differing = 0;
    int where = -1;
    for (int i = 8; i < len - 2; ++i) {
        const int diff = got[i] ^ composed.Frame[i];
        differing += std::popcount(static_cast<unsigned>(diff));
        if (diff != 0) where = 8 * (i - 8) + std::countr_zero(static_cast<unsigned>(diff));
    }
    EXPECT_EQ(differing, 1);
    EXPECT_EQ(where, composed.Frame[7] - 1);
    EXPECT_EQ(got[len - 2], FrameChecksum(got, len));  // the frame itself stays sound
    EXPECT_EQ(got[len - 1], 0x16);
    EXPECT_EQ(SentEntries(ch).at(0).rec.Status, tx_code::kBitError);
}

struct ShortCase {
    std::uint8_t station;
    int code;
    bool spoiled;
};

class FlagSix : public Sequence, public ::testing::WithParamInterface<ShortCase> {};

TEST_P(FlagSix, SpoilsOnlyShortRequestsWithCodeZeroToAStation) {
    Open();
    ch.LinkTestFlags[kLinkTestCorruptShortRequest] = true;
    SendRequest(*tc, ch, GetParam().station, GetParam().code);
    ContinueTransmit(*tc, ch);
    ASSERT_EQ(SentEntries(ch).size(), 1u);
    EXPECT_EQ(SentEntries(ch)[0].rec.Status,
              GetParam().spoiled ? tx_code::kSumError : status::kGood);
}

INSTANTIATE_TEST_SUITE_P(Requests, FlagSix,
                         ::testing::Values(ShortCase{5, 0, true}, ShortCase{0, 0, false},
                                           ShortCase{5, 1, false}, ShortCase{5, 2, false},
                                           ShortCase{127, 0, true}));

TEST_F(Sequence, FlagSixLeavesDataTelegramsAlone) {
    Open();
    ch.LinkTestFlags[kLinkTestCorruptShortRequest] = true;
    TSendTelegram def = KindZero();
    ComposeTelegram(*tc, ch, def);
    ContinueTransmit(*tc, ch);
    EXPECT_EQ(SentEntries(ch).at(0).rec.Status, status::kGood);
}

}  // namespace
}  // namespace vadrix
