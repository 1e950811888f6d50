// Telegram lines copied from the log in its export format paste into send list rows that
// hold the telegram as it was on the line.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "channel/Channel.h"
#include "channel/Framer.h"
#include "channel/LinkFields.h"
#include "editors/InfoCell.h"
#include "editors/SendListRows.h"
#include "editors/TypeCodes.h"
#include "interpret/Descriptions.h"
#include "interpret/LineGenerator.h"
#include "support/TelegramSinks.h"
#include "support/TestContext.h"
#include "transmit/Compose.h"

namespace vadrix {
namespace {

constexpr char kSep = ';';

class PasteFromLog : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(tc->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
        tc->general.ProtocolVariant = 2;
        tc->general.Type17Option = 1;
        tc->channelHooks.sink = &sink;
        ch.P.Function = 0;
        ch.P.StationCount = 2;
        ch.P.StationAddr[0] = 17;
        ch.P.StationAddr[1] = 99;
        InitChannel(*tc, ch);
        settings = SettingsFromContext(*tc);
        settings.format = DisplayFormat::afCsv;
        settings.separator = kSep;
    }

    // A random long telegram as the line carried it, its record as reception made it.
    TTelegram RandomReceived() {
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        for (;;) {
            TSendTelegram t;
            TSendEntry& e = t.Head.Entry;
            e.Typ = static_cast<std::int8_t>(pick(0, kLastListType));
            e.Lg = static_cast<std::uint8_t>(pick(0, 7));
            e.Da = static_cast<std::uint8_t>(pick(0, 3));
            e.Sys = static_cast<std::uint8_t>(pick(0, 7));
            e.TelNr = static_cast<std::uint16_t>(pick(0, 1023));
            for (auto& b : e.B) b = static_cast<std::uint8_t>(pick(0, 255));
            t.Head.StNr = pick(0, 1);
            t.Head.Tge = pick(0, 1);
            ComposeTelegram(*tc, ch, t);
            const TTelegram sent = ch.TxBuffer;
            sink.records.clear();
            ReceiveBlock(*tc, ch, std::span(sent.Frame, static_cast<std::size_t>(sent.FrameLen)));
            if (sink.records.size() != 1) continue;
            const TTelegram& rec = sink.records.front();
            if (rec.Status == rx_status::kGood && !IsShort(rec, LayoutOf(*tc))) return rec;
        }
    }

    std::string ExportLine(const TTelegram& rec, std::int64_t number) {
        LineGenerator gen(*tc, &desc);
        gen.Prepare(settings, rec, 0, number);
        return gen.NextLine();
    }

    testing::TestContext tc;
    testing::RecordingSink sink;
    TEmSe& ch = tc->emse1;
    Descriptions desc;
    InterpretSettings settings;
    std::mt19937 rng{20261211};
};

TEST_F(PasteFromLog, RowsKeepNumberKindGroupLengthAndBytes) {
    const LinkLayout l = LayoutOf(*tc);
    for (int i = 0; i < 400; ++i) {
        const TTelegram rec = RandomReceived();
        const std::string line = ExportLine(rec, 1000 + i);
        SCOPED_TRACE(line);
        TSendList list;
        ASSERT_EQ(PasteRows(list, 1, line + "\r\n", kSep, tc->general.Type17Option), 1);
        const TSendEntry& row = list.Row(1);
        const int seq = SequenceNumber(rec, l);
        EXPECT_EQ(row.Akt, 1);
        EXPECT_EQ(row.TelNr, TelNoField(rec, l));
        EXPECT_EQ(row.Da, DataKindField(rec, l));
        EXPECT_EQ(row.Sys, FrameAt(rec, StationPos(rec, l) + 3) >> 5);
        EXPECT_EQ(row.Lg, LenCodeField(rec, l));
        const int derived = DeriveClass(row.TelNr, row.Da, row.Lg, seq != 0, 1);
        EXPECT_EQ(row.Typ, std::max(derived, 0));
        const int bytes = InfoByteCount(row.Lg);
        for (int k = 0; k < bytes; ++k) EXPECT_EQ(row.B[k], DataByte(rec, l, k)) << "byte " << k;
    }
}

TEST_F(PasteFromLog, HighStationsAndTheirNumbersAreNoLongerConfused) {
    // Station 99 lies where the old reader looked for the data kind; the length code where it
    // looked for the telegram number.
    TTelegram rec;
    do rec = RandomReceived();
    while (rec.Station != 99);
    TSendList list;
    EXPECT_EQ(PasteRows(list, 1, ExportLine(rec, 5), kSep, 1), 1);
    EXPECT_EQ(list.Row(1).TelNr, rec.TelNo);
}

}  // namespace
}  // namespace vadrix
