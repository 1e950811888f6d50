// The check bit tables and the check of monitored telegrams.

#include <gtest/gtest.h>

#include "channel/CheckBits.h"
#include "core/channel/ReceptionFixture.h"

namespace vadrix::testing {
namespace {

TEST(CheckBits, TablesFollowTheirRules) {
    EXPECT_EQ(kT10[0], 0x2E2);
    EXPECT_EQ(kT10[1], 0x3DC);
    EXPECT_EQ(kT10[103], 0x2B4);
    EXPECT_EQ(kT10[104], 0x15A);
    EXPECT_EQ(kT16[0], 0xB234);
    EXPECT_EQ(kT16[1], 0x591A);
    EXPECT_EQ(kT16[3], 0xB113);
    EXPECT_EQ(kT16[104], 0x4EAB);
}

TEST(CheckBits, ParityBitsCountEvenAndOddPositions) {
    // No data bit set: both odd-parity bits are 1.
    EXPECT_EQ(ComputeCheckCode(Bytes{0x00, 0x00}, 11, 2), 3);
    EXPECT_EQ(ComputeCheckCode(Bytes{0x01, 0x00}, 11, 2), 2);  // bit 0 is even-numbered
    EXPECT_EQ(ComputeCheckCode(Bytes{0x02, 0x00}, 11, 2), 1);
    EXPECT_EQ(ComputeCheckCode(Bytes{0x03, 0x00}, 11, 2), 0);
}

// Every single flipped bit of data or check bits is found, for all three check kinds.
TEST(CheckBits, AnySingleFlippedBitFails) {
    for (const int kind : {2, 4, 6}) {
        SCOPED_TRACE(kind);
        const Bytes bits = MonitoredBits(kind, 1, 0, 0, 0x123);
        const int total = 49 + CheckBitCount(kind);
        ASSERT_TRUE(CheckBitsMatch(bits, 49, kind));
        for (int i = 0; i < total; ++i) {
            Bytes bad = bits;
            SetBitAt(bad, i, !BitAt(bad, i));
            EXPECT_FALSE(CheckBitsMatch(bad, 49, kind)) << "bit " << i;
        }
    }
}

TEST(CheckBits, TwoParityBitsMissADoubleFlipOnOneSide) {
    // Known weakness of the parity check: flipping two even-numbered bits passes.
    Bytes bits = MonitoredBits(2, 1, 0, 0, 0x123);
    SetBitAt(bits, 0, !BitAt(bits, 0));
    SetBitAt(bits, 2, !BitAt(bits, 2));
    EXPECT_TRUE(CheckBitsMatch(bits, 49, 2));
}

// Clearing from a bit on keeps every bit before it, at byte edges and past the end too.
TEST(CheckBits, ClearBitsFromKeepsTheBitsBefore) {
    for (const int from : {-3, 0, 1, 7, 8, 9, 15, 16, 23, 24, 30}) {
        SCOPED_TRACE(from);
        Bytes bits{0xFF, 0xA5, 0x5A};
        const Bytes before = bits;
        ClearBitsFrom(bits, from);
        for (int i = 0; i < 24; ++i) EXPECT_EQ(BitAt(bits, i), i < from && BitAt(before, i)) << i;
    }
}

TEST(CheckBits, DataBitsByLengthCodeAndAddress) {
    EXPECT_EQ(EnvelopeDataBits(0, 1), 49);
    EXPECT_EQ(EnvelopeDataBits(3, 1), 41);
    EXPECT_EQ(EnvelopeDataBits(4, 1), 69);
    EXPECT_EQ(EnvelopeDataBits(7, 1), 105);
    EXPECT_EQ(EnvelopeDataBits(7, 0), 97);
    // A second address byte carries eight bits more; a larger setting counts as two.
    EXPECT_EQ(EnvelopeDataBits(1, 2), 57);
    EXPECT_EQ(EnvelopeDataBits(6, 2), 113);
    EXPECT_EQ(EnvelopeDataBits(6, 7), 113);
}

TEST_F(ReceptionTest, EnvelopeLineByteSetsTheSource) {
    Start(1);
    for (const auto& [line, expected] : {std::pair{1, 1}, {2, 2}, {3, 3}, {0, 1}, {7, 1}}) {
        Feed(Envelope(2, static_cast<std::uint8_t>(line), 0, 51, MonitoredBits(2, 1, 0, 0, 5)));
        EXPECT_EQ(Last().Source, expected) << line;
        EXPECT_EQ(Last().Status, 40);
    }
}

// Each line has its own address bytes: a line without one sends 8 bits fewer, and its fields
// sit a byte earlier.
TEST_F(ReceptionTest, EnvelopeFieldsFollowTheAddressBytesOfTheirOwnLine) {
    Start(1);
    Ch().P.AddrBytes[2] = 0;  // line E2
    const Bytes link = LongPayload(9, 0, 0, 0x2A5, 0x5A);
    Bytes bits(link.begin() + 1, link.end());  // no station byte
    bits.resize(16, 0);
    AppendCheckBits(bits, 41, 2);
    bits.resize((41 + 2 + 7) / 8);
    Feed(Envelope(2, 3, 0, 43, bits));
    EXPECT_EQ(Last().Status, 40);
    EXPECT_EQ(Last().DataShift, -1);
    EXPECT_EQ(Last().TelNo, 0x2A5);
    // Line E1 still has its address byte.
    Feed(Envelope(2, 1, 0, 51, MonitoredBits(2, 7, 0, 0, 0x1C3)));
    EXPECT_EQ(Last().DataShift, 0);
    EXPECT_EQ(Last().Station, 7);
    EXPECT_EQ(Last().TelNo, 0x1C3);
}

TEST_F(ReceptionTest, DeviceTextMovesToTheFrameStart) {
    Start(1);
    Feed(Envelope(0, 1, 0, 0, {3, 'a', 'b', 'c'}));
    ASSERT_EQ(Statuses(), std::vector<int>{54});
    EXPECT_EQ(Last().Kind, kind::kEvent);
    EXPECT_EQ(Last().Source, source::kNone);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(Last().Frame) + 1, Last().Frame[0]), "abc");
}

TEST_F(ReceptionTest, ValueListsAndEmptyEnvelopes) {
    Start(0);
    Ch().P.Line[0].Tol = 40;
    Feed(Envelope(3, 1, 0, 0, {1, 2, 3}));
    ASSERT_EQ(sink.records.size(), 1u);
    EXPECT_EQ(Last().Kind, kind::kValueList);
    EXPECT_EQ(Last().DataKind, 1);  // variant 0 with a tolerance marks value lists
    Feed(Envelope(6, 1, 0, 0, {1, 2, 3}));
    EXPECT_EQ(Last().Kind, kind::kEvent);
    EXPECT_EQ(Last().FrameLen, 0);
}

TEST_F(ReceptionTest, DeviceAnswersEndTheWait) {
    Start(1);
    EXPECT_EQ(Ch().AwaitState, 1u);  // the interface configuration goes out first
    Ch().AwaitState = 2;
    Feed(Envelope(1, 1, 0, 0, {}));
    EXPECT_EQ(Ch().AwaitState, 0u);
    tc->run.TransferFileOpen = true;
    Feed(Envelope(5, 1, 0, 0, {}));
    EXPECT_EQ(Ch().AwaitState, 3u);
    EXPECT_TRUE(sink.records.empty());
}

}  // namespace
}  // namespace vadrix::testing
