// Framing and checking throughput of one channel: a long mixed stream of good and broken
// variable and fixed frames, read in blocks of 269 bytes, stored into a counting sink.

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "channel/Channel.h"
#include "channel/Framer.h"
#include "support/TelegramSinks.h"
#include "support/TestContext.h"

namespace vadrix {
namespace {

using Bytes = std::vector<std::uint8_t>;

void AppendVariable(Bytes& out, const Bytes& payload) {
    const auto len = static_cast<std::uint8_t>(payload.size());
    out.insert(out.end(), {0x68, len, len, 0x68});
    std::uint8_t sum = 0;
    for (const std::uint8_t b : payload) sum = static_cast<std::uint8_t>(sum + b);
    out.insert(out.end(), payload.begin(), payload.end());
    out.push_back(sum);
    out.push_back(0x16);
}

// Good telegrams of all three lengths with running sequence numbers, fixed frames, and a
// share of broken ones: checksums, cut headers, unknown stations and line noise.
Bytes MixedStream(std::size_t size) {
    std::mt19937 rng(7);
    Bytes out;
    int seq = 1;
    while (out.size() < size) {
        const int pick = static_cast<int>(rng() % 16);
        const std::uint8_t station = pick == 12 ? 9 : 1;
        if (pick < 10 || pick == 12) {
            const int lenCode = (pick % 3) * 2 + (pick % 2);  // 0..5 fits 6 or 9 bytes
            Bytes payload{station, static_cast<std::uint8_t>(seq), 0x10,
                          static_cast<std::uint8_t>(lenCode << 2)};
            const std::size_t data = lenCode <= 3 ? 2 : 5;
            for (std::size_t i = 0; i < data; ++i)
                payload.push_back(static_cast<std::uint8_t>(rng()));
            AppendVariable(out, payload);
            seq = seq == 30 ? 1 : seq + 1;
        } else if (pick == 10) {
            const auto a = static_cast<std::uint8_t>(rng() & 0x7F);
            out.insert(out.end(), {0x10, a, 0x00, a, 0x16});
        } else if (pick == 11) {
            AppendVariable(out, {1, 0, 0x10, 0, 1, 2});
            out[out.size() - 2] ^= 0x5A;  // checksum wrong
        } else if (pick == 13) {
            out.insert(out.end(), {0x68, 0x07, 0x08, 0x68});  // unequal length bytes
        } else {
            for (int i = 0; i < 10; ++i)
                out.push_back(static_cast<std::uint8_t>(0x20 + rng() % 64));
        }
    }
    return out;
}

struct Rig {
    testing::TestContext tc;
    testing::CountingSink sink;
    Rig() {
        tc->general.ProtocolVariant = 2;
        tc->channelHooks.sink = &sink;
        DeriveChannel2(*tc);
        TEmSe& ch = tc->emse2;
        ch.P.Baud = 9600;
        ch.P.Function = 1;  // sequence and station checks run too
        ch.P.StationAddr[0] = 1;
        InitChannel(*tc, ch);
    }
};

void BM_FrameAndCheck(benchmark::State& state) {
    const Bytes stream = MixedStream(8u << 20);
    auto rig = std::make_unique<Rig>();
    TEmSe& ch = rig->tc->emse2;
    for (auto _ : state) {
        for (std::size_t pos = 0; pos < stream.size(); pos += kMaxReadBlock) {
            const std::size_t n = std::min(kMaxReadBlock, stream.size() - pos);
            ch.RxBlockLeft = static_cast<std::uint16_t>(n);
            ReceiveBlock(*rig->tc, ch, std::span<const std::uint8_t>(stream.data() + pos, n));
        }
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
    state.counters["telegrams"] =
        benchmark::Counter(static_cast<double>(rig->sink.telegrams), benchmark::Counter::kIsRate);
    state.counters["good_share"] =
        static_cast<double>(rig->sink.byStatus[40]) / static_cast<double>(rig->sink.telegrams);
    state.counters["bytes_per_telegram"] =
        static_cast<double>(stream.size()) * iterations / static_cast<double>(rig->sink.telegrams);
}
BENCHMARK(BM_FrameAndCheck)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vadrix

BENCHMARK_MAIN();
