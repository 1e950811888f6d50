// Every status code of reception, reached through the byte streams that produce it.

#include <functional>

#include "core/channel/ReceptionFixture.h"

namespace vadrix::testing {
namespace {

struct StatusCase {
    const char* name;
    int variant;
    std::uint32_t function;
    int trafficKind;
    Bytes bytes;
    std::vector<int> expected;
    std::function<void(ReceptionRig&)> prep = {};
};

Bytes WithByte(Bytes b, std::size_t i, std::uint8_t v) {
    b.at(i) = v;
    return b;
}

const Bytes kGoodLong = Long(1, 0, 0, 0x123);

// Station, control, object number, kind byte of kind 1 and its one data byte.
Bytes KindOnePayload() {
    Bytes p = LongPayload(1, 0, 0, 0x10, 0x5A, false, 1);
    p.pop_back();
    return p;
}

// A kind-1 telegram with a number of data bytes, with or without its station byte.
Bytes KindOnePayloadOf(std::size_t dataBytes, bool station = true) {
    Bytes p = LongPayload(1, 0, 0, 0x10, 0x5A, false, 1);
    p.resize(4 + dataBytes, 0xA5);
    if (!station) p.erase(p.begin());
    return p;
}

auto LineError(std::uint8_t code) {
    return [code](ReceptionRig& r) { r.Port().InjectLineError(code); };
}
auto NoAddressByte() {
    return [](ReceptionRig& r) { r.Ch().P.AddrBytes[r.Ch().RxSource - 1] = 0; };
}
auto CheckCode(std::uint32_t code) {
    return [code](ReceptionRig& r) { r.Ch().P.Line[0].CheckCode = code; };
}

const Bytes kBits2 = MonitoredBits(2, 1, 0, 0, 0x123);

const std::vector<StatusCase> kCases = {
    // Framing, no channel function
    {"fixed frame", 2, 0, 0, {0x10, 0x12, 0x34, 0x46, 0x16}, {40}},
    {"fixed frame checksum", 2, 0, 0, {0x10, 0x12, 0x34, 0x47, 0x16}, {27}},
    {"fixed frame stop byte", 2, 0, 0, {0x10, 0x12, 0x34, 0x46, 0x17}, {10}},
    {"fixed frame cut by a pause", 2, 0, 0, {0x10, 0x12, 0x34}, {8}},
    {"variable frame", 2, 0, 0, kGoodLong, {40}},
    {"variable frame checksum", 2, 0, 0, WithByte(kGoodLong, 10, 0), {28}},
    {"variable frame stop byte", 2, 0, 0, WithByte(kGoodLong, 11, 0x17), {10}},
    {"unequal length bytes", 2, 0, 0, {0x68, 3, 4, 0x68, 1, 2, 3}, {8, 5}},
    {"length below 4", 2, 0, 0, {0x68, 2, 2, 0x68}, {8}},
    {"bad second start byte", 2, 0, 0, {0x68, 6, 6, 0x69}, {8}},
    {"payload does not fit the length code",
     2,
     0,
     0,
     Variable(LongPayload(1, 0, 0, 0x10, 0, false, 4)),
     {26}},
    {"kind 1 with its single data byte", 2, 0, 0, Variable(KindOnePayload()), {40}},
    {"kind 1 with two data bytes, as peers send it",
     2,
     0,
     0,
     Variable(LongPayload(1, 0, 0, 0x10, 0, false, 1)),
     {40}},
    {"kind 1 with three data bytes", 2, 0, 0, Variable(KindOnePayloadOf(3)), {26}},
    {"kind 1 without its data byte", 2, 0, 0, Variable(KindOnePayloadOf(0)), {26}},
    {"kind 1 with two data bytes, no address byte",
     2,
     0,
     0,
     Variable(KindOnePayloadOf(2, false)),
     {40},
     NoAddressByte()},
    {"data kind 2 without sequence number", 2, 0, 0, Long(1, 0, 2, 0x10), {29}},
    {"loose bytes", 2, 0, 0, {1, 2, 3}, {5}},
    {"loose bytes, then a frame", 2, 0, 0, Concat({{1, 2}, kGoodLong}), {5, 40}},
    {"line error in a frame ending with the block", 2, 0, 0, kGoodLong, {24}, LineError(3)},
    {"break in a frame ending with the block",
     2,
     0,
     0,
     kGoodLong,
     {24},
     [](ReceptionRig& r) { r.Port().InjectBreak(); }},
    {"line error with a fixed frame", 2, 0, 0, Fixed(0x12, 0x34), {40}, LineError(4)},
    {"line error with loose bytes", 2, 0, 0, {1, 2}, {1}, LineError(2)},
    {"line error before a frame in the block",
     2,
     0,
     0,
     Concat({{1}, kGoodLong}),
     {1, 40},
     LineError(3)},
    // Stations, sequence numbers and system telegrams by channel function
    {"unknown station", 2, 1, 0, Long(5, 0, 0, 0x10), {31}},
    {"repeated sequence number",
     2,
     1,
     0,
     Concat({Long(1, 5, 0, 0x10), Long(1, 5, 0, 0x10)}),
     {40, 20}},
    {"awaited number out of order",
     2,
     1,
     0,
     Concat({Long(1, 5, 0, 0x10), Long(1, 20, 0, 0x10)}),
     {40, 44},
     [](ReceptionRig& r) { r.Ch().ExpectSeq = 20; }},
    {"sequence number where none is allowed", 2, 2, 0, Long(1, 3, 0, 0x10), {20}},
    {"0x201 without a number", 2, 2, 0, Long(1, 0, 0, 0x201, 0x00), {22}},
    {"0x201 with number 31", 2, 2, 0, Long(1, 0, 0, 0x201, 0x1F), {22}},
    {"0x200 while the link test marks it",
     2,
     2,
     0,
     Long(1, 0, 0, 0x200),
     {46},
     [](ReceptionRig& r) { r.Ch().LinkTestFlags[kLinkTestIgnoreCycle] = true; }},
    {"data kind 2, function 3", 2, 1, 1, Long(1, 4, 2, 0x10), {29}},
    {"unknown station, function 4", 2, 2, 1, Long(5, 0, 0, 0x10), {42}},
    // Envelope frames of the monitor device
    {"monitored telegram, 2 check bits", 1, 0, 0, Envelope(2, 1, 0, 51, kBits2), {40}},
    {"monitored telegram, 10 check bits",
     1,
     0,
     0,
     Envelope(2, 1, 0, 59, MonitoredBits(4, 1, 0, 0, 0x123)),
     {40},
     CheckCode(1)},
    {"monitored telegram, 16 check bits",
     1,
     0,
     0,
     Envelope(2, 1, 0, 65, MonitoredBits(6, 1, 0, 0, 0x123)),
     {40},
     CheckCode(2)},
    {"monitored telegram, check bit wrong",
     1,
     0,
     0,
     Envelope(2, 1, 0, 51, WithByte(kBits2, 6, kBits2[6] ^ 0x04)),
     {27}},
    {"bit count wrong", 1, 0, 0, Envelope(2, 1, 0, 53, kBits2), {26}},
    {"bit count even", 1, 0, 0, Envelope(2, 1, 0, 50, kBits2), {26}},
    {"bit count wrong, device reported 12", 1, 0, 0, Envelope(2, 1, 12, 53, kBits2), {25}},
    {"device reported 12", 1, 0, 0, Envelope(2, 1, 12, 51, kBits2), {12}},
    {"device text", 1, 0, 0, Envelope(0, 1, 0, 0, {3, 'a', 'b', 'c'}), {54}},
    {"envelope kind 1 in test mode",
     1,
     0,
     0,
     Envelope(1, 1, 0, 0, {}),
     {53},
     [](ReceptionRig& r) { r.tc->run.TestMode = true; }},
    {"envelope kind 5 in test mode",
     1,
     0,
     0,
     Envelope(5, 1, 0, 0, {}),
     {52},
     [](ReceptionRig& r) { r.tc->run.TestMode = true; }},
    // Short telegrams only come in envelopes: a fixed frame ends its checks with the frame.
    {"fixed frame to no station", 2, 1, 0, Fixed(0x80, 0x00), {40}},
    {"short telegram", 1, 0, 0, Envelope(2, 1, 0, 13, ShortBits(1, 3)), {40}},
    {"short function to no station", 1, 1, 0, Envelope(2, 1, 0, 13, ShortBits(0, 3)), {32}},
    {"short telegram to no station, function 3",
     1,
     1,
     1,
     Envelope(2, 1, 0, 13, ShortBits(0, 0)),
     {30}},
    {"short function 0, function 4", 1, 2, 1, Envelope(2, 1, 0, 13, ShortBits(1, 0)), {32}},
    {"short telegram, unknown station", 1, 1, 0, Envelope(2, 1, 0, 13, ShortBits(9, 1)), {31}},
    {"envelope kind 1 is not kept outside test mode", 1, 0, 0, Envelope(1, 1, 0, 0, {}), {}},
};

TEST(FramerStatus, EveryCodeFromItsByteStream) {
    for (const StatusCase& c : kCases) {
        SCOPED_TRACE(c.name);
        ReceptionRig rig;
        rig.Start(c.variant, c.function, c.trafficKind);
        if (c.prep) c.prep(rig);
        rig.Feed(c.bytes);
        rig.Pause();
        EXPECT_EQ(rig.Statuses(), c.expected);
    }
}

TEST(FramerStatus, LineErrorWithNothingPendingStoresAnEmptyTelegram) {
    ReceptionRig rig;
    rig.Start(2);
    rig.Port().SignalLineError(4);
    ASSERT_EQ(rig.Statuses(), std::vector<int>{1});
    EXPECT_EQ(rig.Last().FrameLen, 0);
    EXPECT_EQ(rig.Last().Source, source::kE2);
    rig.Port().SignalBreak();
    EXPECT_EQ(rig.Statuses(), (std::vector<int>{1, 1}));
}

}  // namespace
}  // namespace vadrix::testing
