// Interpretation throughput: a million mixed records (good telegrams of every length code,
// faulty ones, events and value lists) turned into lines in the formats the dump uses most.
// The records come from a pool that stays in cache; the generator's memory does not grow.

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "app/TimeBase.h"
#include "interpret/Descriptions.h"
#include "interpret/LineGenerator.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix {
namespace {

constexpr int kRecords = 1000000;

TTelegram Telegram(std::mt19937& rng, double time) {
    TTelegram t{};
    t.Kind = kind::kVariable;
    t.Status = rng() % 10 == 0 ? static_cast<std::uint8_t>(rng() % 40) : status::kGood;
    t.Source = static_cast<std::uint8_t>(1 + rng() % 4);
    t.Time = time;
    t.Station = static_cast<std::uint8_t>(1 + rng() % 20);
    t.LenCode = static_cast<std::uint8_t>(rng() % 8);
    t.DataKind = static_cast<std::uint8_t>(rng() % 4);
    t.TelNo = static_cast<std::uint16_t>(rng() % 1024);
    static constexpr int kBytes[8] = {2, 2, 2, 2, 5, 5, 9, 9};
    const int n = kBytes[t.LenCode];
    std::uint8_t* f = t.Frame;
    f[0] = 0x68;
    f[1] = f[2] = static_cast<std::uint8_t>(n + 4);
    f[3] = 0x68;
    f[4] = t.Station;
    f[5] = static_cast<std::uint8_t>((rng() % 31) | (t.DataKind << 6));
    f[6] = static_cast<std::uint8_t>(t.TelNo);
    f[7] = static_cast<std::uint8_t>((t.TelNo >> 8) | (t.LenCode << 2));
    for (int i = 0; i < n; ++i) f[8 + i] = static_cast<std::uint8_t>(rng());
    f[9 + n] = 0x16;
    t.FrameLen = static_cast<std::int16_t>(n + 10);
    return t;
}

TTelegram Other(std::mt19937& rng, double time) {
    TTelegram t{};
    t.Time = time;
    t.Source = static_cast<std::uint8_t>(1 + rng() % 4);
    switch (rng() % 3) {
        case 0:  // a port opened
            t.Kind = kind::kEvent;
            t.Status = status::kPortOpened;
            t.FrameLen = 48;
            break;
        case 1:  // a modem line change
            t.Kind = kind::kLineEvent;
            t.Status = status::kModemLines;
            t.Station = static_cast<std::uint8_t>(rng());
            break;
        default:  // a value list of 12 words
            t.Kind = kind::kValueList;
            t.Status = 41;
            t.FrameLen = 36;
            for (int i = 8; i < 36; ++i) t.Frame[i] = static_cast<std::uint8_t>(rng());
            t.Frame[7] = 12;
            break;
    }
    return t;
}

struct Fixture {
    testing::TestContext ctx;
    Descriptions desc;
    std::vector<TTelegram> pool;

    Fixture() {
        ctx->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa");
        ctx->general.ProtocolVariant = 2;
        ctx->run.UserDataOffset = 4;
        testing::TempDir dir;
        std::string objects;
        for (int t = 0; t < 1024; t += 3)
            objects += "1;1;" + std::to_string(t) + ";2;Object " + std::to_string(t) + ";\n";
        LoadDescriptions(*ctx, desc, dir.Write("objects.txt", objects));
        std::mt19937 rng(11);
        double time = DateSerial(2026, 12, 10);
        for (int i = 0; i < 4096; ++i) {
            time += 0.01 / 86400.0;
            pool.push_back(rng() % 20 == 0 ? Other(rng, time) : Telegram(rng, time));
        }
    }
};

void Interpret(benchmark::State& state, DisplayFormat format) {
    static Fixture fx;
    LineGenerator gen(*fx.ctx, &fx.desc);
    InterpretSettings s = SettingsFromContext(*fx.ctx);
    s.format = format;
    s.timeLine = true;
    std::int64_t lines = 0;
    std::size_t chars = 0;
    for (auto _ : state) {
        double prev = 0;
        for (int i = 0; i < kRecords; ++i) {
            const TTelegram& rec = fx.pool[static_cast<std::size_t>(i) & 4095];
            gen.Prepare(s, rec, prev, i + 1);
            for (std::string l = gen.NextLine(); !l.empty(); l = gen.NextLine()) {
                chars += l.size();
                ++lines;
            }
            prev = gen.PreviousTime();
        }
    }
    benchmark::DoNotOptimize(chars);
    state.SetItemsProcessed(state.iterations() * kRecords);
    state.counters["lines/s"] =
        benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(Interpret, afLog, DisplayFormat::afLog)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Interpret, afHex, DisplayFormat::afHex)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Interpret, afCsv, DisplayFormat::afCsv)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vadrix

BENCHMARK_MAIN();
