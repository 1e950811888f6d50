// Stored records round-trip byte for byte and start from their documented defaults.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "channel/ChannelBlock.h"
#include "common/FilterRecord.h"
#include "common/GeneralParams.h"
#include "common/SendItems.h"
#include "common/Settings.h"
#include "log/LogFileLayout.h"
#include "log/SendFileLayout.h"
#include "log/Telegram.h"
#include "programming/FwpImage.h"

namespace vadrix {
namespace {

template <typename T>
void ExpectRoundTrip() {
    std::mt19937 rng(42);
    std::vector<std::uint8_t> original(sizeof(T));
    for (auto& b : original) b = static_cast<std::uint8_t>(rng());
    T rec;
    std::memcpy(&rec, original.data(), sizeof(T));
    T copy = rec;
    const auto bytes = BytesOf(copy);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), original.begin()));
}

TEST(RecordLayout, EveryStoredRecordRoundTripsByteForByte) {
    ExpectRoundTrip<TSettings>();
    ExpectRoundTrip<TGeneralParams>();
    ExpectRoundTrip<TFilterRecord>();
    ExpectRoundTrip<TChannelBlock>();
    ExpectRoundTrip<TTelegram>();
    ExpectRoundTrip<TLogHeader>();
    ExpectRoundTrip<TLogDirectory>();
    ExpectRoundTrip<TBlockHeader>();
    ExpectRoundTrip<TSendEntry>();
    ExpectRoundTrip<TSendTelegram>();
    ExpectRoundTrip<TSendList>();
    ExpectRoundTrip<TSendFile>();
    ExpectRoundTrip<TFwpHeader>();
}

TEST(RecordLayout, DefaultsLieAtTheirStoredOffsets) {
    const TSettings s;
    const auto sb = BytesOf(s);
    EXPECT_EQ(ReadLe<std::uint32_t>(sb, 0), 0x51050005u);
    EXPECT_EQ(ReadLe<std::uint32_t>(sb, 4), 3792u);
    EXPECT_EQ(ReadLe<std::uint32_t>(sb, 8), 16u);
    EXPECT_EQ(ReadLe<std::int32_t>(sb, 16), 3);
    EXPECT_EQ(sb[38], 1);  // options 10, 11 and 12 are on
    EXPECT_EQ(sb[39], 1);
    EXPECT_EQ(sb[40], 1);
    EXPECT_EQ(sb[41], 0);
    EXPECT_EQ(ReadLe<std::int32_t>(sb, 80), 9);
    EXPECT_EQ(ReadLe<std::int32_t>(sb, 84), 1);
    EXPECT_EQ(ReadLe<std::int32_t>(sb, 92), 50);
    EXPECT_EQ(sb[96], 2);
    EXPECT_EQ(sb[97], 15);
    EXPECT_EQ(sb[104], 16);
    EXPECT_EQ(sb[106], 3);
    EXPECT_EQ(sb[205], 1);
    EXPECT_EQ(sb[206], 1);

    const TChannelBlock c;
    const auto cb = BytesOf(c);
    EXPECT_EQ(ReadLe<std::uint32_t>(cb, 0), 292u);
    EXPECT_EQ(ReadLe<std::uint32_t>(cb, 20), 8u);
    EXPECT_EQ(ReadLe<std::uint16_t>(cb, 24), 1);
    EXPECT_EQ(ReadLe<std::int32_t>(cb, 56), 1);
    EXPECT_EQ(ReadLe<std::int32_t>(cb, 76), 2000);
    EXPECT_EQ(cb[84], 2);
    EXPECT_EQ(cb[85], 8);
    EXPECT_EQ(ReadLe<std::int32_t>(cb, 88 + 32 + 12), 34);  // SpZt of the send line
    EXPECT_EQ(ReadLe<std::int32_t>(cb, 88 + 64 + 12), 32);
    EXPECT_EQ(ReadLe<std::uint32_t>(cb, 196), 1u);
    EXPECT_EQ(ReadLe<std::int32_t>(cb, 208), 4);

    const TGeneralParams g;
    const auto gb = BytesOf(g);
    EXPECT_EQ(ReadLe<std::uint32_t>(gb, 0), 484u);
    EXPECT_EQ(ReadLe<std::int32_t>(gb, 8), 1);
    EXPECT_EQ(ReadLe<std::int32_t>(gb, 16), 1);
    EXPECT_EQ(ReadLe<std::int32_t>(gb, 24), 250);
    EXPECT_EQ(ReadLe<std::int32_t>(gb, 28), 2000);
    EXPECT_EQ(ReadLe<std::int32_t>(gb, 32), 10);
}

TEST(RecordLayout, SizedCopiesAreTakenOnlyWithTheirSizeWord) {
    TGeneralParams mine;
    TGeneralParams stored;
    stored.ProtocolVariant = 2;
    std::vector<std::uint8_t> bytes(BytesOf(stored).begin(), BytesOf(stored).end());
    bytes[0] = 0xE3;  // 483
    bytes[1] = 0x01;
    EXPECT_FALSE(TakeOverGeneralParams(mine, bytes));
    EXPECT_EQ(mine.ProtocolVariant, 1);
    bytes[0] = 0xE4;  // 484
    EXPECT_TRUE(TakeOverGeneralParams(mine, bytes));
    EXPECT_EQ(mine.ProtocolVariant, 2);
    TChannelBlock block;
    EXPECT_FALSE(TakeOverChannelBlock(block, {}));
}

TEST(RecordLayout, LogHeaderCopyNeverCarriesAnActiveFilter) {
    TGeneralParams g;
    g.DisplayFilter.FilterOn = 1;
    g.LogFilter.FilterOn = 1;
    g.DisplayFilter.SourceMask = 5;
    TLogHeader h;
    h.General = GeneralParamsForLogHeader(g);
    const auto hb = BytesOf(h);
    EXPECT_EQ(hb[256], 0);
    EXPECT_EQ(hb[468], 0);
    EXPECT_EQ(h.General.DisplayFilter.SourceMask, 5);
}

}  // namespace
}  // namespace vadrix
