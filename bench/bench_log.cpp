// The telegram log's speed: storing typical frames, opening a large log, and moving and
// stepping the view through a million records.

#include <benchmark/benchmark.h>

#include <array>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "app/Context.h"
#include "log/TelLog.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix::testing {
namespace {

// Frames of 11 to 40 bytes, as reception delivers them.
std::array<TTelegram, 64> TypicalTelegrams() {
    std::array<TTelegram, 64> ts{};
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> len(11, 40);
    for (std::size_t i = 0; i < ts.size(); ++i) {
        TTelegram& t = ts[i];
        t.Status = status::kGood;
        t.Kind = kind::kVariable;
        t.Source = static_cast<std::uint8_t>(1 + i % 4);
        t.FrameLen = static_cast<std::int16_t>(len(rng));
        for (int b = 0; b < t.FrameLen; ++b) t.Frame[b] = static_cast<std::uint8_t>(rng());
    }
    return ts;
}

std::unique_ptr<TestContext> LiveLog(const std::filesystem::path& file, std::int32_t logSize) {
    auto tc = std::make_unique<TestContext>();
    (*tc)->run.LogFilePath = file;
    (*tc)->general.LogSize = logSize;
    (*tc)->log.SetCounterHook([](int) {});
    (*tc)->log.Create();
    return tc;
}

void StoreRecords(TTelLog& log, std::int64_t n) {
    const auto ts = TypicalTelegrams();
    for (std::int64_t i = 0; i < n; ++i) {
        TTelegram t = ts[static_cast<std::size_t>(i) % ts.size()];
        log.Store(t);
    }
}

TempDir& Dir() {
    static TempDir dir;
    return dir;
}

// A finished log of the given size in units of 1,024,000 bytes, its ring filled once.
const std::filesystem::path& FullLog(std::int32_t logSize) {
    static std::map<std::int32_t, std::filesystem::path> made;
    auto it = made.find(logSize);
    if (it != made.end()) return it->second;
    const auto file = Dir() / ("full" + std::to_string(logSize) + ".lg8");
    auto tc = LiveLog(file, logSize);
    StoreRecords((*tc)->log, static_cast<std::int64_t>(logSize) * 1024000 / 40);
    (*tc)->log.Close();
    return made.emplace(logSize, file).first->second;
}

// A log of a million records for the view.
const std::filesystem::path& MillionLog() {
    static const std::filesystem::path file = [] {
        const auto f = Dir() / "million.lg8";
        auto tc = LiveLog(f, 60);
        StoreRecords((*tc)->log, 1'000'000);
        (*tc)->log.Close();
        return f;
    }();
    return file;
}

void BM_Store(benchmark::State& state) {
    auto tc = LiveLog(Dir() / "store.lg8", 10);
    TTelLog& log = (*tc)->log;
    const auto ts = TypicalTelegrams();
    std::size_t i = 0;
    for (auto _ : state) {
        TTelegram t = ts[i++ % ts.size()];
        benchmark::DoNotOptimize(log.Store(t));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Store);

// Opening reads the header, the directory and one block, whatever the size of the log.
void BM_Open(benchmark::State& state) {
    const auto& file = FullLog(static_cast<std::int32_t>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto tc = std::make_unique<TestContext>();
        state.ResumeTiming();
        benchmark::DoNotOptimize((*tc)->log.Open(file, false));
        state.PauseTiming();
        tc.reset();
        state.ResumeTiming();
    }
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
}
BENCHMARK(BM_Open)->Arg(1)->Arg(300)->Unit(benchmark::kMicrosecond);

void BM_Move5000(benchmark::State& state) {
    auto tc = std::make_unique<TestContext>();
    TTelLog& log = (*tc)->log;
    log.Open(MillionLog(), false);
    log.OpenView();
    log.ViewToStart();
    log.Move(500'000);
    int direction = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(log.Move(direction * 5000));
        direction = -direction;
    }
}
BENCHMARK(BM_Move5000)->Unit(benchmark::kMicrosecond);

// From the oldest to the newest record with the display filter on (one source of four
// passes), asking the filter for every record.
void BM_StepFiltered(benchmark::State& state) {
    auto tc = std::make_unique<TestContext>();
    TTelLog& log = (*tc)->log;
    log.Open(MillionLog(), false);
    (*tc)->general.DisplayFilter.FilterOn = 1;
    log.SetFilterTest([](const TFilterRecord&, const TTelegram& t) { return t.Source == 3; });
    log.OpenView();
    std::int64_t passing = 0;
    for (auto _ : state) {
        log.ViewToStart();
        passing = 0;
        while (log.NextPassing()) ++passing;
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(log.RecordCount()));
    state.counters["passing"] = static_cast<double>(passing);
}
BENCHMARK(BM_StepFiltered)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vadrix::testing

BENCHMARK_MAIN();
