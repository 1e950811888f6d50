// The output run's speed: a log of mixed records (telegrams of every source and data kind,
// errors, loose bytes, events) written as text in the logical (3), hex/BCD (5) and export (7)
// formats, in records per second, with the peak resident memory after each run. The logs of
// 100,000 and 1,000,000 records are dumped in turn: the peak must not grow with the log.
//
// BM_CliDump runs the tool itself as a user does, "vadrix-cli dump LOG -f N -o FILE" and
// "--json" (stdout:0), or with standard output redirected into the file (stdout:1), on logs
// of 1 and 4 million records: records per second of wall time (start of the process
// included), records per processor-second and the peak resident memory of the tool.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/Context.h"
#include "interpret/LineGenerator.h"
#include "log/TelLog.h"
#include "output/Output.h"
#include "support/MixedLog.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix::testing {
namespace {

long PeakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

void BM_Dump(benchmark::State& state) {
    const int records = static_cast<int>(state.range(0));
    const auto format = static_cast<DisplayFormat>(state.range(1));
    const std::filesystem::path& log = MixedLog(records);
    TestContext tc;
    tc->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa");
    tc->settings.Language = 1;
    tc->log.Open(log, false);
    OutputOptions o;
    o.interpret = SettingsFromLogHeader(*tc, tc->log.Header());
    o.interpret.format = format;
    o.interpret.timeLine = false;
    const std::filesystem::path out = Dir() / "dump.txt";
    for (auto _ : state) {
        if (WriteLog(*tc, out, OutputKind::kTextFile, o) != OutputResult::kDone)
            state.SkipWithError("output failed");
    }
    state.SetItemsProcessed(state.iterations() * records);
    state.counters["peak_rss_MB"] = static_cast<double>(PeakKb()) / 1024.0;
    state.counters["out_MB"] =
        static_cast<double>(std::filesystem::file_size(out)) / (1024.0 * 1024.0);
}
BENCHMARK(BM_Dump)
    ->ArgsProduct({{100000, 1000000}, {3, 5, 7}})
    ->ArgNames({"records", "format"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

#ifdef VADRIX_CLI
// Runs the tool with a home of its own; the peak resident memory of its process in KB, or -1.
// seconds: wall time; cpuSeconds: the processor time of all its threads.
// stdoutFile: standard output goes into this file (empty: left as it is).
long RunTool(const std::vector<std::string>& args, const std::filesystem::path& stdoutFile,
             double& seconds, double& cpuSeconds) {
    const std::filesystem::path home = Dir() / "home";
    std::filesystem::create_directories(home);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
        if (!stdoutFile.empty() && !std::freopen(stdoutFile.c_str(), "wb", stdout)) _exit(126);
        execv(VADRIX_CLI, argv.data());
        _exit(127);
    }
    int status = 0;
    rusage u{};
    if (pid < 0 || wait4(pid, &status, 0, &u) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return -1;
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cpuSeconds = static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                 static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    return u.ru_maxrss;
}

void BM_CliDump(benchmark::State& state) {
    const int records = static_cast<int>(state.range(0));
    const int format = static_cast<int>(state.range(1));  // 0: --json
    const std::filesystem::path& log = MixedLog(records);
    const std::filesystem::path out = Dir() / "cli-dump.txt";
    // -o FILE writes through a replacement that is synced to the disk before it takes the
    // target's place; "> FILE" is the shell's redirection.
    const bool redirected = state.range(2) == 1;
    std::vector<std::string> args = {"vadrix-cli", "dump", log.string(), "--lang", "usa"};
    if (!redirected) args.insert(args.end(), {"-o", out.string()});
    if (format == 0)
        args.push_back("--json");
    else
        args.insert(args.end(), {"-f", std::to_string(format)});
    long peakKb = 0;
    double cpu = 0;
    for (auto _ : state) {
        double seconds = 0;
        peakKb = RunTool(args, redirected ? out : std::filesystem::path(), seconds, cpu);
        if (peakKb < 0) state.SkipWithError("vadrix-cli dump failed");
        state.SetIterationTime(seconds);
    }
    state.SetItemsProcessed(state.iterations() * records);
    state.counters["peak_rss_MB"] = static_cast<double>(peakKb) / 1024.0;
    state.counters["out_MB"] =
        static_cast<double>(std::filesystem::file_size(out)) / (1024.0 * 1024.0);
    // On a machine shared with other work the wall time says little; the processor time
    // tells what the tool itself costs (records per processor-second, all threads).
    state.counters["records_per_cpu_s"] = cpu > 0 ? records / cpu : 0;
    std::filesystem::remove(out);
}
BENCHMARK(BM_CliDump)
    ->ArgsProduct({{1000000, 4000000}, {3, 7, 0}, {0, 1}})
    ->ArgNames({"records", "format", "stdout"})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
#endif

}  // namespace
}  // namespace vadrix::testing

BENCHMARK_MAIN();
