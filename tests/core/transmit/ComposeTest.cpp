#include "transmit/Compose.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <sstream>
#include <vector>

#include "channel/Channel.h"
#include "channel/Framer.h"
#include "channel/LinkFields.h"
#include "support/TestContext.h"
#include "transmit/InterfaceTelegrams.h"
#include "transmit/Repetition.h"

namespace vadrix {
namespace {

using testing::TestContext;

std::vector<std::uint8_t> FrameOf(const TTelegram& t) {
    return {t.Frame, t.Frame + t.FrameLen};
}

struct ComposeTest : ::testing::Test {
    void SetVariant(int variant) {
        tc->general.ProtocolVariant = variant;
        InitChannel(*tc, tc->emse1);
    }
    TSendTelegram Definition(int type, int kind) {
        TSendTelegram t;
        t.Head.Entry.Typ = static_cast<std::int8_t>(type);
        t.Head.Entry.Lg = static_cast<std::uint8_t>(kind);
        return t;
    }
    TestContext tc;
    TEmSe& ch = tc->emse1;
};

TEST_F(ComposeTest, FixedFrameRequestInVariantTwo) {
    SetVariant(2);
    SendRequest(*tc, ch, 5, 3);
    EXPECT_EQ(FrameOf(ch.TxBuffer), (std::vector<std::uint8_t>{0x10, 0x85, 0x01, 0x86, 0x16}));
    EXPECT_EQ(ch.TxBuffer.Status, record_code::kComposed);
    EXPECT_EQ(ch.TxBuffer.Source, ch.TxSource);
}

TEST_F(ComposeTest, KindOneWithStationByte) {
    SetVariant(2);
    ch.P.StationAddr[0] = 9;
    TSendTelegram t = Definition(1, 1);
    t.Head.Entry.B[0] = 0x5A;
    ComposeTelegram(*tc, ch, t);
    const TTelegram& r = ch.TxBuffer;
    ASSERT_EQ(r.FrameLen, 11);
    EXPECT_EQ(r.Frame[1], 5);
    EXPECT_EQ(r.Frame[2], 5);
    EXPECT_EQ(r.Frame[4], 9);
    EXPECT_EQ(r.Frame[8], 0x5A);
    EXPECT_EQ(r.Frame[9], FrameChecksum(r.Frame, 11));
    EXPECT_EQ(r.Frame[10], 0x16);
    EXPECT_EQ(r.InfoClass, 2);  // type + 1
    EXPECT_EQ(r.DataShift, 0);
    EXPECT_EQ(r.Station, 9);
    EXPECT_EQ(r.TelNo, 520);
}

TEST_F(ComposeTest, WithoutStationByteAndWithTheLastFlag) {
    SetVariant(2);
    ch.P.AddrBytes[ch.TxSource - 1] = 0;
    TSendTelegram t = Definition(1, 0);
    ComposeTelegram(*tc, ch, t);
    EXPECT_EQ(ch.TxBuffer.FrameLen, 4 + 5 + 2);
    EXPECT_EQ(ch.TxBuffer.DataShift, -1);

    ch.P.AddrBytes[ch.TxSource - 1] = 1;
    ch.P.StationAddr[0] = 3;
    t.Head.Tge = 1;
    ComposeTelegram(*tc, ch, t);
    EXPECT_EQ(ch.TxBuffer.Frame[4], 0x83);
}

TEST_F(ComposeTest, TwoAddressBytesPutTheStationByteWhereTheAddressShiftReadsIt) {
    SetVariant(2);
    ch.P.AddrBytes[ch.TxSource - 1] = 2;
    ch.P.StationAddr[0] = 9;
    TSendTelegram t = Definition(1, 0);
    t.Head.Tge = 1;
    t.Head.Entry.TelNr = 0x155;
    t.Head.Entry.B[0] = 0x5A;
    ComposeTelegram(*tc, ch, t);
    const TTelegram& r = ch.TxBuffer;
    const LinkLayout l = LayoutOf(*tc);
    ASSERT_EQ(r.DataShift, 1);
    EXPECT_EQ(r.FrameLen, 4 + 7 + 2);
    EXPECT_EQ(r.Frame[4], 0);
    EXPECT_EQ(r.Frame[5], 0x80 | 9);
    EXPECT_EQ(StationField(r, l), 9);
    EXPECT_EQ(r.TelNo, 0x155);
    EXPECT_EQ(r.LenCode, 0);
    EXPECT_EQ(DataByte(r, l, 0), 0x5A);

    // The repetition store's telegrams too.
    InitRepetitionStore(*tc, ch);
    const TTelegram& slot = ch.StationState[0].Slot(4);
    EXPECT_EQ(slot.Frame[5], 9);
    EXPECT_EQ(SequenceNumber(slot, l), 4);
    EXPECT_EQ(slot.TelNo, 512);
}

TEST_F(ComposeTest, SequenceNumbersStepAndWrap) {
    SetVariant(2);
    ch.ChannelFunction = 2;
    ch.StationState[0].W1 = 28;
    TSendTelegram t = Definition(1, 0);
    t.Head.Entry.Da = 0;
    std::vector<int> sent;
    for (int i = 0; i < 4; ++i) {
        ComposeTelegram(*tc, ch, t);
        sent.push_back(ch.TxBuffer.Frame[5] & 31);
        StoreForRepetition(*tc, ch, ch.TxBuffer);
    }
    EXPECT_EQ(sent, (std::vector<int>{29, 30, 1, 2}));
    EXPECT_EQ(ch.StationState[0].Slot(30).Frame[5] & 31, 30);

    // A station whose last number is 31 keeps sending 31.
    ch.StationState[0].W1 = kNoSeq;
    ComposeTelegram(*tc, ch, t);
    EXPECT_EQ(ch.TxBuffer.Frame[5] & 31, 31);
    StoreForRepetition(*tc, ch, ch.TxBuffer);
    EXPECT_EQ(ch.StationState[0].W1, kNoSeq);

    // The stop number sets the toggle bit.
    ch.StationState[0].W1 = 4;
    ch.StationState[0].W3 = 5;
    ComposeTelegram(*tc, ch, t);
    EXPECT_EQ(ch.TxBuffer.Frame[5] & 0x3F, 0x20 | 5);
}

TEST_F(ComposeTest, SequencingByDataKind) {
    SetVariant(2);
    ch.ChannelFunction = 4;
    ch.StationState[0].W1 = 7;
    TSendHeader h;
    h.Entry.Da = 2;  // cyclic data carry no new number
    EXPECT_EQ(ControlCode(*tc, ch, h), 7);
    h.Entry.Da = 3;
    tc->general.DataSync = 0;
    EXPECT_EQ(ControlCode(*tc, ch, h), 7);
    tc->general.DataSync = 1;
    EXPECT_EQ(ControlCode(*tc, ch, h), 8);
    ch.LinkTestFlags[0] = true;
    EXPECT_EQ(ControlCode(*tc, ch, h), 7);
    ch.LinkTestFlags[0] = false;
    ch.LinkTestFlags[2] = true;  // explicit control byte
    h.Ueb = 1;
    h.Tfk = 9;
    EXPECT_EQ(ControlCode(*tc, ch, h), 0x20 | 9);
    ch.LinkTestFlags[2] = false;
    ch.ChannelFunction = 0;
    h.Entry.Typ = 17;
    EXPECT_EQ(ControlCode(*tc, ch, h), 31);
    h.Entry.Typ = 18;
    EXPECT_EQ(ControlCode(*tc, ch, h), 0);
    h.Entry.Typ = 44;
    EXPECT_EQ(ControlCode(*tc, ch, h), 31);
}

TEST_F(ComposeTest, AStationEnteredTwiceKeepsItsSequenceStateWhereReceptionFindsIt) {
    SetVariant(2);
    ch.ChannelFunction = 4;
    ch.P.StationCount = 3;
    ch.P.StationAddr[0] = 5;
    ch.P.StationAddr[1] = 7;
    ch.P.StationAddr[2] = 5;
    ch.StationState[0].W1 = 20;
    ch.StationState[2].W1 = 10;
    ASSERT_EQ(FindStation(*tc, ch, 5), rx_status::kGood);
    EXPECT_EQ(ch.StationIdx, 2);

    // The station being served, by the index past the table.
    ch.CurrentStation = 5;
    TSendTelegram t = Definition(1, 0);
    t.Head.StNr = 3;
    t.Head.Entry.Da = 0;
    ComposeTelegram(*tc, ch, t);
    EXPECT_EQ(ch.TxBuffer.Frame[5] & 31, 11);
    StoreForRepetition(*tc, ch, ch.TxBuffer);
    EXPECT_EQ(ch.StationState[2].W1, 11u);
    EXPECT_EQ(ch.StationState[2].Slot(11).Frame[5] & 31, 11);
    EXPECT_EQ(ch.StationState[0].W1, 20u);
    EXPECT_EQ(ch.StationState[0].Slot(11).FrameLen, 0);
}

// A preview is the telegram that sending would compose at that moment, and it leaves the
// channel's transmit record and sequence words and the definition as they were.
TEST_F(ComposeTest, APreviewIsWhatSendingWouldComposeAndChangesNothing) {
    std::mt19937 rng{20261211};
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    tc->settings.Options[TSettings::kOptTimeTags] = 1;
    tc->settings.Options[TSettings::kOptCounterIncrement] = 1;
    tc.clock.now = {2026, 12, 11, 9, 41, 7, 250};
    const int types[] = {1, 5, 6, 15, 16, 17, 18, 33, kTypeRequestL, kTypeRawBits, kTypeRawWords};
    for (const int variant : {2, 1}) {
        SetVariant(variant);
        ch.P.StationCount = 2;
        ch.P.StationAddr[1] = 8;
        for (int i = 0; i < 300; ++i) {
            ch.ChannelFunction = static_cast<std::uint32_t>(pick(0, 4));
            ch.CurrentStation = pick(0, 1) != 0 ? 8 : 1;
            if (pick(0, 3) == 0)
                ch.StationState[pick(0, 1)].W1 = static_cast<std::uint32_t>(pick(1, 31));
            if (pick(0, 3) == 0)
                ch.StationState[pick(0, 1)].W3 = static_cast<std::uint32_t>(pick(1, 30));
            TSendTelegram def = Definition(types[pick(0, std::size(types) - 1)], pick(0, 7));
            def.Head.StNr = pick(0, 2);
            def.Head.Shft = pick(0, 2);
            def.Head.Entry.Da = static_cast<std::uint8_t>(pick(0, 1));
            for (auto& b : def.Head.Entry.B) b = static_cast<std::uint8_t>(pick(0, 255));
            def.DataCount = pick(0, 40);
            for (int k = 0; k < 10; ++k) def.Data[k] = static_cast<std::uint8_t>(pick(0, 255));

            const TSendTelegram defBefore = def;
            const TTelegram recordBefore = ch.TxBuffer;
            std::uint32_t words[kStationSlots][4];
            for (int k = 0; k < kStationSlots; ++k) {
                const TStationState& st = ch.StationState[k];
                words[k][0] = st.W1, words[k][1] = st.W2, words[k][2] = st.W3, words[k][3] = st.W4;
            }
            TTelegram preview;
            ComposePreview(*tc, ch, def, preview);
            SCOPED_TRACE(::testing::Message() << "variant " << variant << " definition " << i);
            ASSERT_TRUE(std::ranges::equal(BytesOf(def), BytesOf(defBefore)));
            ASSERT_TRUE(std::ranges::equal(BytesOf(ch.TxBuffer), BytesOf(recordBefore)));
            for (int k = 0; k < kStationSlots; ++k) {
                const TStationState& st = ch.StationState[k];
                ASSERT_EQ(st.W1, words[k][0]);
                ASSERT_EQ(st.W2, words[k][1]);
                ASSERT_EQ(st.W3, words[k][2]);
                ASSERT_EQ(st.W4, words[k][3]);
            }
            ComposeTelegram(*tc, ch, def);
            ASSERT_TRUE(std::ranges::equal(BytesOf(preview), BytesOf(ch.TxBuffer)));
            StoreForRepetition(*tc, ch, ch.TxBuffer);
        }
    }
}

TEST_F(ComposeTest, CountersOfTypesFifteenAndSixteen) {
    struct Case {
        int type;
        std::uint32_t before, after;
    };
    const Case cases[] = {
        {15, 0x09999995, 0x20000010},  // 9999995 + 15 wraps past 9999999
        {15, 0x0000000A, 0x20000010},  // not BCD: taken as it is
        {15, 0x20000001, 0x00000016},  // bit 29 toggles back
        {15, 0xD0000099, 0xF0000114},  // the other top bits stay
        {16, 0x0FFFFFF5, 0x20000004},  // 28-bit wrap
    };
    for (const Case& c : cases) {
        TSendEntry e;
        e.Typ = static_cast<std::int8_t>(c.type);
        for (int i = 0; i < 4; ++i) e.B[i] = static_cast<std::uint8_t>(c.before >> (8 * i));
        StepCounter(e);
        const std::uint32_t v =
            e.B[0] | (e.B[1] << 8) | (e.B[2] << 16) | (static_cast<std::uint32_t>(e.B[3]) << 24);
        EXPECT_EQ(v, c.after) << std::hex << c.before;
    }
}

TEST_F(ComposeTest, AutoChange) {
    TSendEntry e;
    e.Typ = 1;
    e.Lg = 2;
    e.B[0] = 0x00;
    e.B[1] = 0x01;
    AutoChange(e, 1);
    EXPECT_EQ(e.B[0], 0x01);
    EXPECT_EQ(e.B[1], 0x00);
    AutoChange(e, 2);
    EXPECT_EQ(e.B[0], 0x00);
    EXPECT_EQ(e.B[1], 0x01);

    TSendEntry walk;
    walk.Typ = 18;
    walk.B[0] = 0x80;
    walk.TelNr = 1023;
    AutoChange(walk, 1);
    EXPECT_EQ(walk.B[0], 1);
    EXPECT_EQ(walk.TelNr, 1023);  // no further than the last object
    AutoChange(walk, 2);
    EXPECT_EQ(walk.B[0], 128);
    EXPECT_EQ(walk.TelNr, 1022);
}

TEST_F(ComposeTest, TimeTagsAndDateFromTheClock) {
    SetVariant(2);
    tc->settings.Options[TSettings::kOptTimeTags] = 1;
    tc.clock.now = {2026, 12, 10, 13, 27, 45, 678};
    TSendTelegram t = Definition(6, 4);  // t = 7 min 45.678 s into the ten minutes
    ComposeTelegram(*tc, ch, t);
    const unsigned tag = 465678 / 10;
    EXPECT_EQ(t.Head.Entry.B[2], tag & 0xFF);
    EXPECT_EQ(t.Head.Entry.B[3], tag >> 8);
    EXPECT_EQ(t.Head.Entry.B[4] >> 4, 8);

    TSendTelegram t17 = Definition(17, 6);
    t17.Head.Entry.B[8] = 0xC0;
    ComposeTelegram(*tc, ch, t17);
    EXPECT_EQ(t17.Head.Entry.B[8], 0xC0 | 45);

    TSendTelegram d = Definition(33, 6);
    ComposeTelegram(*tc, ch, d);
    const std::uint8_t expected[6] = {26, 12, 10, 13, 27, 45};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(d.Head.Entry.B[i], expected[i]);
}

TEST_F(ComposeTest, TypeEighteenCarriesOddParity) {
    SetVariant(2);
    for (std::uint8_t b : {0x00, 0x01, 0x03}) {
        TSendTelegram t = Definition(18, 0);
        t.Head.Entry.B[0] = b;
        ComposeTelegram(*tc, ch, t);
        int ones = 0;
        for (int i = 4; i < ch.TxBuffer.FrameLen - 2; ++i)
            ones += std::popcount(ch.TxBuffer.Frame[i]);
        EXPECT_EQ(ones % 2, 1) << int{b};
    }
}

TEST_F(ComposeTest, RequestCodesAndEmptyAck) {
    SetVariant(2);
    SendRequestCode(*tc, ch, kCyclicRequestCode);
    const TTelegram& r = ch.TxBuffer;
    EXPECT_EQ(r.TelNo, 512);
    EXPECT_EQ(r.LenCode, 0);
    EXPECT_EQ(r.Frame[8], 0xAA);
    EXPECT_EQ(r.Frame[9], 0x55);
    EXPECT_EQ(r.InfoClass, 0);  // type 255 + 1

    SendRequestCode(*tc, ch, kStartupRequestCode);
    EXPECT_EQ(r.TelNo, 781);
    EXPECT_EQ(r.LenCode, 4);
    EXPECT_EQ(r.Frame[8], 0x08);

    SendEmptyAck(*tc, ch);
    EXPECT_EQ(FrameOf(r), (std::vector<std::uint8_t>{0x00}));
    EXPECT_EQ(r.Status, record_code::kEmptyAck);

    SetVariant(1);
    SendEmptyAck(*tc, ch);
    EXPECT_EQ(r.FrameLen, 11);
    EXPECT_EQ(r.Frame[7], 7);
    EXPECT_EQ(r.Frame[1], 5);
    EXPECT_EQ(r.Frame[10], 0x16);
}

TEST_F(ComposeTest, RequestCodesOfFunctionThreeGoToTheStationBeingServed) {
    SetVariant(2);
    ch.ChannelFunction = 3;
    ch.P.StationCount = 3;
    ch.P.StationAddr[0] = 4;
    ch.P.StationAddr[1] = 9;
    ch.P.StationAddr[2] = 12;
    ch.StationIdx = 2;  // the last telegram came from station 12
    for (const int served : {9, 4, 33}) {
        ch.CurrentStation = served;
        SendRequestCode(*tc, ch, kCyclicRequestCode);
        EXPECT_EQ(ch.TxBuffer.Frame[4], served) << served;
        EXPECT_EQ(ch.TxBuffer.Station, served) << served;
    }
    // The other functions address the first station.
    ch.ChannelFunction = 1;
    SendRequestCode(*tc, ch, kCyclicRequestCode);
    EXPECT_EQ(ch.TxBuffer.Frame[4], 4);
}

TEST_F(ComposeTest, RawDefinitions) {
    SetVariant(2);
    TSendTelegram m = Definition(kTypeRawBits, 0);
    m.DataCount = 20;
    m.Data[0] = 0x68;
    m.Data[2] = 0x0F;
    ComposeTelegram(*tc, ch, m);
    EXPECT_EQ(FrameOf(ch.TxBuffer), (std::vector<std::uint8_t>{0x68, 0x00, 0x0F}));
    EXPECT_EQ(ch.TxBuffer.Status, record_code::kRawBits);

    SetVariant(1);
    ComposeTelegram(*tc, ch, m);
    EXPECT_EQ(ch.TxBuffer.FrameLen, 8 + 2 + 3);
    EXPECT_EQ(ch.TxBuffer.Frame[7], 20);
    EXPECT_EQ(ch.TxBuffer.Frame[8], 0x68);

    TSendTelegram n = Definition(kTypeRawWords, 0);
    n.DataCount = 2;
    n.Data[0] = 1;
    n.Data[3] = 4;
    ComposeTelegram(*tc, ch, n);
    EXPECT_EQ(ch.TxBuffer.FrameLen, 8 + 2 + 4);
    EXPECT_EQ(ch.TxBuffer.Frame[5], 3);
    EXPECT_EQ(ch.TxBuffer.Frame[11], 4);
    EXPECT_EQ(ch.TxBuffer.Status, record_code::kRawWords);
    EXPECT_EQ(ch.TxBuffer.Kind, kind::kValueList);

    // A count larger than the frame can hold is cut to what fits.
    n.DataCount = 100000;
    ComposeTelegram(*tc, ch, n);
    EXPECT_LE(ch.TxBuffer.FrameLen, static_cast<int>(TTelegram::kMaxFrame));
    m.DataCount = 8 * 264;
    ComposeTelegram(*tc, ch, m);
    EXPECT_LE(ch.TxBuffer.FrameLen, static_cast<int>(TTelegram::kMaxFrame));

    // A send list row of a raw type has no free data: an empty raw telegram.
    for (const int variant : {2, 1}) {
        SetVariant(variant);
        for (const int type : {kTypeRawBits, kTypeRawWords}) {
            TSendTelegram row = Definition(type, 0);
            ComposeTelegram(*tc, ch, TelegramDefinition{row.Head});
            EXPECT_EQ(ch.TxBuffer.FrameLen, variant == 2 && type == kTypeRawBits ? 0 : 8 + 2)
                << variant << " " << type;
        }
    }
}

TEST_F(ComposeTest, RawTelegramsCarryTheLinkFieldsOfTheirFrame) {
    // Station 7, sequence 3, data kind 1, object 0x155 with length code 0, and two data bytes.
    const std::uint8_t link[] = {7, 0x43, 0x55, 0x01, 0x12, 0x34};
    SetVariant(2);
    TSendTelegram m = Definition(kTypeRawBits, 0);
    const std::uint8_t frame[] = {0x68, 6, 6, 0x68, 7, 0x43, 0x55, 0x01, 0x12, 0x34, 0xE6, 0x16};
    std::copy(std::begin(frame), std::end(frame), m.Data);
    m.DataCount = 8 * sizeof frame;
    for (const int variant : {2, 1}) {
        SetVariant(variant);
        if (variant == 1) {
            std::fill(std::begin(m.Data), std::end(m.Data), 0);
            std::copy(std::begin(link), std::end(link), m.Data);
            m.DataCount = 49;
        }
        ComposeTelegram(*tc, ch, m);
        const TTelegram& r = ch.TxBuffer;
        EXPECT_EQ(r.Station, 7) << variant;
        EXPECT_EQ(r.DataKind, 1) << variant;
        EXPECT_EQ(r.TelNo, 0x155) << variant;
        EXPECT_EQ(r.LenCode, 0) << variant;
    }

    TSendTelegram n = Definition(kTypeRawWords, 0);
    std::copy(std::begin(link), std::end(link), n.Data);
    n.DataCount = 3;
    n.Head.Entry.Lg = 6;  // the definition's own fields play no part
    n.Head.Entry.TelNr = 3;
    ComposeTelegram(*tc, ch, n);
    EXPECT_EQ(ch.TxBuffer.Station, 7);
    EXPECT_EQ(ch.TxBuffer.DataKind, 1);
    EXPECT_EQ(ch.TxBuffer.TelNo, 0x155);
    EXPECT_EQ(ch.TxBuffer.LenCode, 0);
}

TEST_F(ComposeTest, AShortRequestWithoutStationAddressNamesNoStation) {
    for (const int variant : {2, 1}) {
        SetVariant(variant);
        ch.P.AddrBytes[ch.TxSource - 1] = 0;
        SendRequest(*tc, ch, 5, 3);
        EXPECT_EQ(ch.TxBuffer.Station, 0) << variant;
        EXPECT_EQ(ch.TxBuffer.DataShift, -1) << variant;
        ch.P.AddrBytes[ch.TxSource - 1] = 1;
        SendRequest(*tc, ch, 5, 3);
        EXPECT_EQ(ch.TxBuffer.Station, 5) << variant;
    }
}

TEST_F(ComposeTest, ConfigTelegramAndFileBlocks) {
    SetVariant(0);
    ch.P.Line[1].BitRate = 1200;
    BuildConfigTelegram(*tc, ch);
    const TTelegram& r = ch.TxBuffer;
    EXPECT_EQ(r.FrameLen, 58);
    EXPECT_EQ(r.Frame[1], 52);
    EXPECT_EQ(r.Frame[4], 1);
    EXPECT_EQ(r.Frame[7], 48);
    EXPECT_EQ(r.Frame[8 + 16 + 2] | (r.Frame[8 + 16 + 3] << 8), 1200);
    EXPECT_EQ(r.Frame[8 + 9], 125);
    EXPECT_EQ(r.Frame[8 + 10], 5);
    EXPECT_EQ(r.Frame[56], FrameChecksum(r.Frame, 58));

    TransferFile file;
    file.in = std::make_unique<std::istringstream>(std::string(300, 'a'));
    file.nextBlock = 7;
    tc->run.TransferFileOpen = true;
    ASSERT_TRUE(BuildFileBlock(*tc, ch, file));
    EXPECT_EQ(r.FrameLen, 250);
    EXPECT_EQ(r.Frame[5], 7);
    EXPECT_EQ(r.Frame[7], 240);
    EXPECT_TRUE(file.IsOpen());
    ASSERT_TRUE(BuildFileBlock(*tc, ch, file));
    EXPECT_EQ(r.FrameLen, 70);
    EXPECT_EQ(r.Frame[5], 8);
    EXPECT_FALSE(file.IsOpen());  // the short block ended the transfer
    EXPECT_FALSE(tc->run.TransferFileOpen);
    EXPECT_FALSE(BuildFileBlock(*tc, ch, file));
}

TEST_F(ComposeTest, RepetitionStoreSetUp) {
    SetVariant(2);
    ch.P.StationAddr[0] = 4;
    ch.P.StationAddr[1] = 6;
    ch.P.StationCount = 2;
    ch.StationState[1].W4 = 1;
    InitRepetitionStore(*tc, ch);
    const TStationState& st = ch.StationState[1];
    EXPECT_EQ(st.W1, kNoSeq);
    EXPECT_EQ(st.W2, 0u);
    EXPECT_EQ(st.W3, 30u);
    EXPECT_EQ(st.W4, 1u);  // the toggle bit is kept
    const TTelegram& slot = st.Slots[11];
    EXPECT_EQ(FrameOf(slot),
              (std::vector<std::uint8_t>{0x68, 6, 6, 0x68, 6, 12, 0x00, 0x02, 0xAA, 0x55,
                                         FrameChecksum(slot.Frame, 12), 0x16}));
    EXPECT_EQ(slot.TelNo, 512);

    // Channel 2 keeps no store while the monitor device runs on channel 1.
    tc->general.ProtocolVariant = 1;
    tc->emse2.StationState[0].W1 = 5;
    InitRepetitionStore(*tc, tc->emse2);
    EXPECT_EQ(tc->emse2.StationState[0].W1, 5u);
}

TEST_F(ComposeTest, BitPackingAppendsCheckBits) {
    SetVariant(1);
    struct Case {
        int kind, check;
        std::uint32_t addressBytes;
        int bits;
    };
    const Case cases[] = {
        {0, 0, 1, 49 + 2},  {1, 1, 1, 49 + 10},  {3, 2, 1, 41 + 16},
        {5, 1, 0, 61 + 10}, {7, 2, 1, 105 + 16}, {6, 0, 0, 97 + 2},
        {0, 1, 2, 57 + 10}, {4, 2, 2, 77 + 16},  {7, 0, 2, 113 + 2},
    };
    for (const Case& c : cases) {
        ch.P.Line[1].CheckCode = static_cast<std::uint32_t>(c.check);
        ch.P.AddrBytes[ch.TxSource - 1] = c.addressBytes;
        TSendTelegram t = Definition(1, c.kind);
        ComposeTelegram(*tc, ch, t);
        const TTelegram& r = ch.TxBuffer;
        EXPECT_EQ(r.Frame[7], c.bits) << c.kind;
        EXPECT_EQ(r.FrameLen, 8 + 2 + (c.bits + 7) / 8) << c.kind;
        EXPECT_EQ(r.Frame[4], 2);
        EXPECT_EQ(r.Frame[5], 2);
    }
}

}  // namespace
}  // namespace vadrix
