// Both channels receiving continuously at 115200 bit/s from writers on pseudo-terminals,
// with the engine ticking on the real main loop: every record must arrive and the tick
// period must hold. Reports records, losses, the measured tick period and the CPU time.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "app/Engine.h"
#include "channel/Channel.h"
#include "runtime/EngineDriver.h"
#include "runtime/QtClock.h"
#include "runtime/QtEventLoop.h"
#include "runtime/TermiosSerialPort.h"
#include "support/FakeUserInterface.h"
#include "support/Frames.h"
#include "support/TelegramSinks.h"

namespace vadrix {
namespace {

using Clock = std::chrono::steady_clock;

struct Pty {
    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
            device = ::ptsname(master);
    }
    ~Pty() {
        if (master >= 0) ::close(master);
    }
    int master = -1;
    std::string device;
};

double CpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_THREAD, &u);  // the main thread: the program's whole work
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void RunLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Writes frames at the pace of the line: 11 bits a character.
void Writer(int fd, int seconds, std::atomic<long>& frames) {
    const testing::Bytes frame = testing::Variable(testing::LongPayload(1, 0, 0, 520, 0x5A));
    const double perSecond = 115200.0 / 11.0 / static_cast<double>(frame.size());
    const auto start = Clock::now();
    long sent = 0;
    while (Clock::now() - start < std::chrono::seconds(seconds)) {
        const double due = std::chrono::duration<double>(Clock::now() - start).count() * perSecond;
        while (sent < static_cast<long>(due)) {
            if (::write(fd, frame.data(), frame.size()) == static_cast<ssize_t>(frame.size()))
                ++sent;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    frames = sent;
}

void BM_BothChannelsAt115200(benchmark::State& state) {
    int argc = 1;
    char name[] = "bench";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const int seconds = static_cast<int>(state.range(0));
    for (auto _ : state) {
        Pty a, b;
        QtClock clock;
        QtEventLoop loop;
        testing::FakeUserInterface ui;
        auto ctx = std::make_unique<Context>(clock, loop, ui);
        testing::CountingSink sink;
        ctx->channelHooks.sink = &sink;
        ctx->general.ProtocolVariant = 2;
        for (auto [ch, port] : {std::pair{&ctx->emse1, 1u}, std::pair{&ctx->emse2, 2u}}) {
            ch->P.ComNumber = port;
            ch->P.Baud = 115200;
        }
        DeriveChannel2(*ctx);
        ctx->emse2.P.ComNumber = 2;
        ctx->emse2.P.Baud = 115200;
        PortTable table;
        table.Override(1, a.device);
        table.Override(2, b.device);
        TermiosSerialPort port1(table), port2(table);
        BindChannel(*ctx, ctx->emse1, port1);
        BindChannel(*ctx, ctx->emse2, port2);
        Engine engine(*ctx);
        EngineDriver driver(engine);
        ctx->settings.Online = 1;
        std::uint32_t ticks = 0;
        driver.afterTick = [&] { ++ticks; };
        driver.Start();
        while (ctx->emse2.PortOpen == 0) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

        std::atomic<long> sent1{0}, sent2{0};
        const double cpu0 = CpuSeconds();
        const auto t0 = Clock::now();
        const std::uint32_t ticks0 = ticks;
        std::thread w1(Writer, a.master, seconds, std::ref(sent1));
        std::thread w2(Writer, b.master, seconds, std::ref(sent2));
        RunLoopFor((seconds + 1) * 1000);
        w1.join();
        w2.join();
        RunLoopFor(500);
        const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
        const double cpu = CpuSeconds() - cpu0;
        driver.Stop();
        engine.SetOnline(false);

        const long written = sent1 + sent2;
        const auto good = static_cast<long>(sink.byStatus[status::kGood]);
        state.counters["frames_written"] = static_cast<double>(written);
        state.counters["records_good"] = static_cast<double>(good);
        state.counters["lost"] = static_cast<double>(written - good);
        state.counters["errors"] = static_cast<double>(sink.errors);
        state.counters["tick_ms_measured"] = wall * 1000.0 / (ticks - ticks0);
        state.counters["tick_ms_engine"] = ctx->run.TickPeriodMs;
        state.counters["cpu_percent"] = 100.0 * cpu / wall;
    }
}
BENCHMARK(BM_BothChannelsAt115200)->Arg(20)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace vadrix

BENCHMARK_MAIN();
