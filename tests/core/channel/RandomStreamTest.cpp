// Line garbage: whatever arrives, every byte ends up in a stored telegram.

#include <random>

#include "core/channel/ReceptionFixture.h"

namespace vadrix::testing {
namespace {

TEST(RandomStream, EveryByteFedIsStoredOnChannel2) {
    TestContext tc;
    CountingSink sink;
    FakeSerialPort port;
    tc->general.ProtocolVariant = 2;
    tc->channelHooks.sink = &sink;
    DeriveChannel2(*tc);
    TEmSe& ch = tc->emse2;
    ch.P.Baud = 9600;
    ch.P.ComNumber = 2;
    ch.P.SpikeFilter = 0;
    ch.P.Function = 1;
    tc->emse1.P.ComNumber = 0;
    BindChannel(*tc, ch, port);
    std::string error;
    ASSERT_TRUE(OpenChannel(*tc, ch, error)) << error;
    const std::uint64_t eventBytes = sink.frameBytes;  // the open event

    std::mt19937 rng(20261210);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> blockSize(1, 600);
    std::uniform_int_distribution<int> pause(0, 15);
    constexpr std::size_t kTotal = 4 << 20;
    std::size_t fed = 0;
    std::vector<std::uint8_t> block;
    while (fed < kTotal) {
        block.resize(static_cast<std::size_t>(blockSize(rng)));
        for (auto& b : block) {
            // Many start bytes, so that frames of every kind begin and break off.
            const int r = byte(rng);
            b = r < 16   ? 0x68
                : r < 24 ? 0x10
                : r < 28 ? 0x16
                         : static_cast<std::uint8_t>(byte(rng));
        }
        port.Inject(block);
        fed += block.size();
        if (pause(rng) == 0) {
            tc.clock.Advance(400);  // past every deadline
            ChannelTick(*tc, ch);
        }
    }
    tc.clock.Advance(400);
    ChannelTick(*tc, ch);
    EXPECT_EQ(ch.RxCount, 0);
    EXPECT_EQ(sink.frameBytes - eventBytes, fed);
    EXPECT_GT(sink.byStatus[40], 0u);
    EXPECT_GT(sink.byStatus[5], 0u);
    EXPECT_GT(sink.byStatus[8], 0u);
}

// Parameters from a damaged settings or log file and garbage on the line, in every mode:
// nothing may read or write outside the records.
TEST(RandomStream, HostileParametersAndGarbageInEveryMode) {
    std::mt19937 rng(99);
    for (int variant = 0; variant <= 4; ++variant) {
        for (int round = 0; round < 20; ++round) {
            SCOPED_TRACE(::testing::Message() << "variant " << variant << " round " << round);
            TestContext tc;
            CountingSink sink;
            FakeSerialPort port1;
            FakeSerialPort port2;
            tc->general.ProtocolVariant = variant;
            tc->general.TrafficKind = static_cast<int>(rng() % 2);
            tc->general.DataSync = static_cast<int>(rng() % 2);
            tc->channelHooks.sink = &sink;
            DeriveChannel2(*tc);
            for (TEmSe* ch : {&tc->emse1, &tc->emse2}) {
                for (auto& a : ch->P.AddrBytes) a = rng() % 4 == 0 ? rng() : rng() % 3;
                for (auto& l : ch->P.Line) l.CheckCode = rng() % 5;
                for (auto& l : ch->P.Line) l.BitRate = static_cast<std::int32_t>(rng() % 3) - 1;
                ch->P.StationCount = static_cast<std::int32_t>(rng() % 40) - 5;
                ch->P.Function = rng() % 4;
                ch->P.SpikeFilter = static_cast<std::uint8_t>(rng() % 2);
                ch->P.Baud = static_cast<std::int32_t>(rng() % 3) - 1;
                ch->P.DataBits = static_cast<std::uint8_t>(rng());
                ch->P.Parity = static_cast<std::uint8_t>(rng());
                ch->P.ComNumber = 1 + rng() % 64;
                ch->P.ModemWatch = static_cast<std::uint8_t>(rng());
            }
            BindChannel(*tc, tc->emse1, port1);
            BindChannel(*tc, tc->emse2, port2);
            std::string error;
            OpenPorts(*tc, error);
            for (int i = 0; i < 200; ++i) {
                std::vector<std::uint8_t> block(rng() % 300);
                for (auto& b : block) {
                    const unsigned r = rng() % 32;
                    b = r == 0   ? 0x68
                        : r == 1 ? 0x10
                        : r == 2 ? static_cast<std::uint8_t>(rng())
                                 : static_cast<std::uint8_t>(rng() % 12);
                }
                if (rng() % 8 == 0) port2.InjectLineError(static_cast<std::uint8_t>(rng() % 10));
                (rng() % 2 ? port1 : port2).Inject(block);
                if (rng() % 10 == 0) port1.SetModemLevels(static_cast<std::uint8_t>(rng()));
                tc.clock.Advance(rng() % 500);
                tc->run.TickCount += 1;
                ChannelTick(*tc, tc->emse1);
                ChannelTick(*tc, tc->emse2);
            }
            ClosePorts(*tc);
            EXPECT_EQ(tc->emse1.RxCount, 0);
            EXPECT_EQ(tc->emse2.RxCount, 0);
        }
    }
}

}  // namespace
}  // namespace vadrix::testing
