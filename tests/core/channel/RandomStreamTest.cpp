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

}  // namespace
}  // namespace vadrix::testing
