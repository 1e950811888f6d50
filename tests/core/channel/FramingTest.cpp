// Cutting the byte stream: start bytes, lengths, deadlines and the spike filter.

#include "core/channel/ReceptionFixture.h"

namespace vadrix::testing {
namespace {

TEST_F(ReceptionTest, FixedFrameIsAShortTelegram) {
    Start(2);
    Feed({0x10, 0x12, 0x34, 0x46, 0x16});
    ASSERT_EQ(Statuses(), std::vector<int>{40});
    EXPECT_EQ(Last().FrameLen, 5);
    EXPECT_EQ(Last().Kind, kind::kVariable);
    EXPECT_EQ(Last().Station, 0x12);
    EXPECT_TRUE(IsShort(Last(), LayoutOf(*tc)));
    EXPECT_EQ(ShortFunction(Last(), LayoutOf(*tc)), 0x08);  // bit 2 of 0x34 gives bit 3
}

TEST_F(ReceptionTest, LinkFieldsOfALongTelegram) {
    Start(2);
    Feed(Long(0x85, 7, 1, 0x2A5, 0x33, true));
    ASSERT_EQ(sink.records.size(), 1u);
    const TTelegram& t = Last();
    EXPECT_EQ(t.Station, 0x05);  // bit 7 is a flag
    EXPECT_EQ(t.DataKind, 1);
    EXPECT_EQ(t.TelNo, 0x2A5);
    EXPECT_EQ(t.LenCode, 0);
    EXPECT_EQ(SequenceNumber(t, LayoutOf(*tc)), 7);
    EXPECT_TRUE(SequenceFlag(t, LayoutOf(*tc)));
    EXPECT_EQ(FirstDataByte(t, LayoutOf(*tc)), 0x33);
}

TEST_F(ReceptionTest, StartByteInsideAFrameIsData) {
    Start(2);
    Feed(Variable({1, 0x68, 0x10, 0, 0x68, 0x10}));
    ASSERT_EQ(Statuses(), std::vector<int>{40});
    EXPECT_EQ(Last().FrameLen, 12);
}

TEST_F(ReceptionTest, UnequalLengthBytesEndTheFrameAfterFourBytes) {
    Start(2);
    Feed({0x68, 0x03, 0x04, 0x68, 0x01, 0x02});
    ASSERT_EQ(Statuses(), std::vector<int>{8});
    EXPECT_EQ(Last().FrameLen, 4);
    Feed(Fixed(1, 2));  // the loose bytes end at the next start byte
    EXPECT_EQ(Statuses(), (std::vector<int>{8, 5, 40}));
    EXPECT_EQ(sink.records[1].FrameLen, 2);
}

TEST_F(ReceptionTest, LooseBytesBeforeAStartByteAreStoredFirst) {
    Start(2);
    Bytes stream(20, 0x55);
    const Bytes frame = Long(1, 0, 0, 0x10);
    stream.insert(stream.end(), frame.begin(), frame.end());
    Feed(stream);
    ASSERT_EQ(Statuses(), (std::vector<int>{5, 40}));
    EXPECT_EQ(sink.records[0].FrameLen, 20);
    EXPECT_EQ(sink.records[0].Kind, 0);
}

TEST_F(ReceptionTest, FortyLooseBytesGiveThirtySixThenFourAtTheDeadline) {
    Start(2);
    Feed(Bytes(40, 0x01));
    ASSERT_EQ(Statuses(), std::vector<int>{5});
    EXPECT_EQ(Last().FrameLen, 36);
    Pause();
    ASSERT_EQ(Statuses(), (std::vector<int>{5, 5}));
    EXPECT_EQ(Last().FrameLen, 4);
}

TEST_F(ReceptionTest, DeadlinesAt9600Baud) {
    Start(2);
    EXPECT_EQ(Ch().FrameGapMs, 373u);
    // Loose bytes: four characters of 11 bits plus 60 ms.
    Feed({0x01});
    Pause(65);
    EXPECT_TRUE(sink.records.empty());
    Pause(1);
    EXPECT_EQ(Statuses(), std::vector<int>{5});
    // Within a frame the time-out is the frame gap.
    Feed({0x68, 0x06});
    Pause(373);
    EXPECT_EQ(sink.records.size(), 1u);
    Pause(1);
    EXPECT_EQ(Statuses(), (std::vector<int>{5, 8}));
}

TEST_F(ReceptionTest, DeadlineSurvivesTheCounterWrap) {
    Start(2);
    tc.clock.ms = 0xFFFFFFF0u;
    Feed({0x01});
    Pause(30);  // the counter has wrapped, the deadline is not reached
    EXPECT_TRUE(sink.records.empty());
    Pause(50);
    EXPECT_EQ(Statuses(), std::vector<int>{5});
}

TEST_F(ReceptionTest, ZeroBaudNeverDivides) {
    Start(2);
    Ch().P.Baud = 0;
    InitChannel(*tc, Ch());
    EXPECT_EQ(Ch().FrameGapMs, 373u);  // as at 9600
    Feed({0x01});
    Pause(65);
    EXPECT_TRUE(sink.records.empty());
    Pause(1);
    EXPECT_EQ(Statuses(), std::vector<int>{5});
}

TEST_F(ReceptionTest, FrameSplitOverBlocksAndReadsOf269Bytes) {
    Start(2);
    Bytes payload(255, 0x11);
    payload[0] = 1;
    const Bytes big = Variable(payload);  // 261 bytes
    Bytes stream = Concat({big, big});
    for (std::size_t i = 0; i < stream.size(); i += 7)
        Feed(Bytes(stream.begin() + static_cast<std::ptrdiff_t>(i),
                   stream.begin() + static_cast<std::ptrdiff_t>(std::min(stream.size(), i + 7))));
    Port().Inject(stream);  // one event of 522 bytes, read in blocks of at most 269
    ASSERT_EQ(sink.records.size(), 4u);
    for (const TTelegram& t : sink.records) {
        EXPECT_EQ(t.FrameLen, 261);
        EXPECT_EQ(t.Status, 26);  // a good frame, but L = 255 fits no length code
    }
}

TEST_F(ReceptionTest, SpikeFilterDropsTwoShortPiecesInARow) {
    Start(2);
    Ch().P.SpikeFilter = 1;
    for (int i = 0; i < 3; ++i) {
        Feed({0x01, 0x02});
        Pause();
    }
    ASSERT_EQ(Statuses(), std::vector<int>{5});
    // A good telegram resets the count.
    Feed(Fixed(1, 2));
    for (int i = 0; i < 3; ++i) {
        Feed({0x01, 0x02});
        Pause();
    }
    EXPECT_EQ(Statuses(), (std::vector<int>{5, 40, 5}));
}

TEST_F(ReceptionTest, SpikeFilterKeepsLongerPieces) {
    Start(2);
    Ch().P.SpikeFilter = 1;
    Feed({0x01, 0x02, 0x03, 0x04, 0x05});
    Pause();
    EXPECT_EQ(Statuses(), std::vector<int>{5});
}

TEST_F(ReceptionTest, PendingBytesAreStoredWhenThePortCloses) {
    Start(2);
    Feed({0x68, 0x06, 0x06});
    CloseChannel(*tc, Ch());
    ASSERT_EQ(Statuses(), (std::vector<int>{8, status::kPortClosed}));
    EXPECT_EQ(sink.records[0].Status, 8);
    EXPECT_EQ(sink.records[0].FrameLen, 3);
}

TEST_F(ReceptionTest, EveryTelegramPostsTheTransmitStep) {
    Start(2);
    int steps = 0;
    tc->channelHooks.transmitStep = [&](TEmSe& ch) {
        EXPECT_EQ(&ch, &tc->emse2);
        ++steps;
    };
    Feed(Concat({Fixed(1, 2), Fixed(3, 4)}));
    EXPECT_EQ(steps, 0);  // posted, not called from inside the data event
    tc.loop.ProcessPending();
    EXPECT_EQ(steps, 2);
    ChannelTick(*tc, Ch());
    EXPECT_EQ(steps, 3);
}

TEST_F(ReceptionTest, Channel1BlocksGoToTheTerminalOrTheProgrammingWindow) {
    Start(2);
    Bytes terminal;
    Bytes programming;
    tc->channelHooks.terminalReceive = [&](std::uint8_t b) { terminal.push_back(b); };
    tc->channelHooks.programmingReceive = [&](std::span<const std::uint8_t> block) {
        programming.insert(programming.end(), block.begin(), block.end());
    };
    const Bytes frame = Fixed(1, 2);
    tc->general.ProtocolVariant = 3;
    port1.Inject(frame);
    tc->general.ProtocolVariant = 4;
    port1.Inject(frame);
    port2.Inject(frame);  // channel 2 always frames
    EXPECT_EQ(terminal, frame);
    EXPECT_EQ(programming, frame);
    ASSERT_EQ(sink.records.size(), 1u);
    EXPECT_EQ(Last().Source, source::kE2);
    EXPECT_TRUE(tc->emse1.RxLed.lit);
}

}  // namespace
}  // namespace vadrix::testing
