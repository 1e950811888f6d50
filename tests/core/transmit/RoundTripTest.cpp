// Every composed telegram, fed back through reception with the same variant and channel
// settings and the channel functions off, arrives whole with the link fields it was made of,
// and its record as logged when sent decodes exactly as the record reception makes of it:
// without, with one and with two address bytes.

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>

#include "channel/Channel.h"
#include "channel/Framer.h"
#include "channel/LinkFields.h"
#include "support/TestContext.h"
#include "transmit/Compose.h"

namespace vadrix {
namespace {

using testing::TestContext;

struct LineSetup {
    int variant;
    std::uint32_t addressBytes;
    std::uint32_t check;
};

std::ostream& operator<<(std::ostream& os, const LineSetup& s) {
    return os << "variant " << s.variant << ", " << s.addressBytes << " address bytes, check "
              << s.check;
}

class RoundTrip : public ::testing::TestWithParam<LineSetup> {
  protected:
    void SetUp() override {
        const LineSetup s = GetParam();
        tc->general.ProtocolVariant = s.variant;
        ch.P.Function = 0;
        ch.P.StationCount = 3;
        ch.P.StationAddr[0] = 1;
        ch.P.StationAddr[1] = 42;
        ch.P.StationAddr[2] = 127;
        ch.P.StationAddr[3] = 0;
        // Reception reads the address setting of its own source, composition that of the
        // send direction: both the same here.
        for (std::uint32_t& a : ch.P.AddrBytes) a = s.addressBytes;
        ch.P.Line[1].CheckCode = s.check;
        InitChannel(*tc, ch);
    }

    TSendTelegram RandomDefinition() {
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        TSendTelegram t;
        TSendHeader& h = t.Head;
        h.StNr = pick(0, 4);  // 3 is the no-station terminator, 4 lies beyond the table
        h.Tge = pick(0, 1);
        h.Ueb = pick(0, 1);
        h.Tfk = pick(0, 31);
        h.Shft = pick(0, 2);
        h.Entry.Typ = static_cast<std::int8_t>(pick(0, 76));
        h.Entry.Lg = static_cast<std::uint8_t>(pick(0, 7));
        h.Entry.Da = static_cast<std::uint8_t>(pick(0, 3));
        h.Entry.Sys = static_cast<std::uint8_t>(pick(0, 7));
        h.Entry.TelNr = static_cast<std::uint16_t>(pick(0, 1023));
        for (auto& b : h.Entry.B) b = static_cast<std::uint8_t>(pick(0, 255));
        tc->settings.Options[TSettings::kOptTimeTags] = static_cast<std::uint8_t>(pick(0, 1));
        tc->settings.Options[TSettings::kOptCounterIncrement] =
            static_cast<std::uint8_t>(pick(0, 1));
        return t;
    }

    // What reception must find, the status included.
    struct Expected {
        bool isShort;
        std::uint8_t status;
        int station;
    };
    Expected Expect(const TSendTelegram& def, const TTelegram& sent) {
        const LinkLayout l = LayoutOf(*tc);
        const auto type = static_cast<std::uint8_t>(def.Head.Entry.Typ);
        const int index = def.Head.StNr > ch.P.StationCount ? 0 : def.Head.StNr;
        const int station = ch.P.StationAddr[index];
        if (type == kTypeRequestL || type == kTypeRequestComma) {
            const int code = def.Head.Ueb == 1 ? def.Head.Entry.B[0] : def.Head.Tfk;
            // Reception refuses a short request with a function to the no-station address;
            // unless the line's station byte is the first address byte, the record names no
            // station and every short request goes there.
            const bool toNoStation = station == 0 || GetParam().addressBytes != 1;
            const bool refused = GetParam().variant != 2 && toNoStation && (code & 0x0F) != 0;
            return {true, refused ? rx_status::kShortFunction : rx_status::kGood, station};
        }
        // Kinds 2 and 3 without a sequence number are refused by the category check.
        const int seq = SequenceNumber(sent, l);
        if (seq == 0 && def.Head.Entry.Da >= 2) return {false, rx_status::kCategory, station};
        return {false, rx_status::kGood, station};
    }

    TestContext tc;
    TEmSe& ch = tc->emse1;
    std::mt19937 rng{20261210};
};

TEST_P(RoundTrip, ComposedTelegramsAreReceivedWhole) {
    const LinkLayout l = LayoutOf(*tc);
    for (int i = 0; i < 1500; ++i) {
        TSendTelegram def = RandomDefinition();
        ComposeTelegram(*tc, ch, def);
        const TTelegram sent = ch.TxBuffer;
        const Expected want = Expect(def, sent);
        ReceiveBlock(*tc, ch, std::span(sent.Frame, static_cast<std::size_t>(sent.FrameLen)));
        const TTelegram& got = ch.RxTel;
        SCOPED_TRACE(::testing::Message()
                     << "definition " << i << " type " << int{def.Head.Entry.Typ} << " kind "
                     << int{def.Head.Entry.Lg} << " da " << int{def.Head.Entry.Da});
        ASSERT_EQ(ch.RxCount, 0) << "the frame was not completed";
        ASSERT_EQ(got.FrameLen, sent.FrameLen);
        ASSERT_EQ(got.Status, want.status);
        // The logged record decodes as the received one: same bytes, same address shift,
        // same link fields.
        ASSERT_TRUE(std::equal(got.Frame, got.Frame + got.FrameLen, sent.Frame));
        EXPECT_EQ(got.DataShift, sent.DataShift);
        EXPECT_EQ(got.Station, sent.Station);
        EXPECT_EQ(got.LenCode, sent.LenCode);
        EXPECT_EQ(got.DataKind, sent.DataKind);
        EXPECT_EQ(got.TelNo, sent.TelNo);
        if (want.isShort) {
            EXPECT_TRUE(IsShort(got, l));
            if (GetParam().addressBytes == 1 || GetParam().variant == 2) {
                EXPECT_EQ(ShortStation(got, l), want.station & 0x7F);
            }
            continue;
        }
        const TSendEntry& e = def.Head.Entry;
        EXPECT_EQ(got.TelNo, e.TelNr);
        EXPECT_EQ(got.LenCode, e.Lg);
        EXPECT_EQ(got.DataKind, e.Da);
        if (GetParam().addressBytes > 0) {
            EXPECT_EQ(StationField(got, l), want.station & 0x7F);
        }
        if (GetParam().addressBytes == 1) {
            EXPECT_EQ(got.Station, want.station & 0x7F);
        }
        const int n = DataBytesOfKind(e.Lg);
        for (int k = 0; k + 1 < n; ++k) ASSERT_EQ(DataByte(got, l, k), e.B[k]) << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, RoundTrip,
                         ::testing::Values(LineSetup{2, 1, 0}, LineSetup{2, 0, 0},
                                           LineSetup{2, 2, 0}, LineSetup{1, 1, 0},
                                           LineSetup{1, 1, 1}, LineSetup{1, 0, 2},
                                           LineSetup{1, 2, 1}, LineSetup{0, 1, 2},
                                           LineSetup{0, 0, 1}, LineSetup{0, 2, 0}));

}  // namespace
}  // namespace vadrix
