// The log view's speed, drawn by the real widget into its backing image on the offscreen
// platform (a 960 x 600 view, the default font):
// - BM_LogRedraw: one log-display redraw for each scroll command on a log of one million
//   records, from the middle of the log, forwards and back in turn (target: under 16 ms each,
//   the 5000-record jumps included);
// - BM_OnlineTick: one main-timer tick of the online display while both channels receive at
//   115200 bit/s: the tick's records stored into the live log and the display drained;
// - BM_OnlineFullRedraw: the online display drawn again from its queue (after a resize);
// - BM_StartToShownWindow: the program started as a process until its window is shown, then
//   closed at once (VADRIX_QUIT_WHEN_SHOWN).

#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdlib>

#include "gui/log/Q5LogView.h"
#include "support/MixedLog.h"

namespace vadrix::testing {
namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench_log_view";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

struct ViewRig {
    explicit ViewRig(const std::filesystem::path& log, bool online) {
        App();
        tc->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa");
        tc->settings.Language = 1;
        tc->settings.OnlineDisplay = online ? 1 : 0;
        tc->run.LogFilePath = log;
        tc->log.Open(log, false);
        view = std::make_unique<TLogView>(*tc, nullptr);
        view->resize(960, 600);
        QApplication::sendPostedEvents();
    }
    TestContext tc;
    std::unique_ptr<TLogView> view;
};

void BM_LogRedraw(benchmark::State& state) {
    const int command = static_cast<int>(state.range(0));
    static ViewRig* rig = new ViewRig(MixedLog(1000000), false);
    LogDisplay& d = rig->view->Display();
    d.Redraw(view_cmd::kThumb, 500);
    // Forwards and back in turn, so that the view stays in the middle of the log.
    const int back = command == view_cmd::kLineDown ? view_cmd::kLineUp
                     : command == view_cmd::kHome   ? view_cmd::kEnd
                     : command == view_cmd::kEnd    ? view_cmd::kHome
                     : command == view_cmd::kThumb  ? view_cmd::kThumb
                                                    : command - 1;
    bool forwards = true;
    int position = 250;
    int at = 0;
    for (auto _ : state) {
        position = position == 250 ? 750 : 250;
        at = d.Redraw(forwards ? command : back, position);
        forwards = !forwards;
    }
    // Where the view ended and how many records it has: a check that it drew the log.
    state.counters["at"] = at;
    state.counters["records"] = rig->tc->log.RecordCount();
}
BENCHMARK(BM_LogRedraw)
    ->ArgName("cmd")
    ->Arg(view_cmd::kLineDown)
    ->Arg(view_cmd::kPageDown)
    ->Arg(view_cmd::kPageDown + view_cmd::kShift)
    ->Arg(view_cmd::kPageDown + view_cmd::kCtrl)
    ->Arg(view_cmd::kPageDown + view_cmd::kShiftCtrl)
    ->Arg(view_cmd::kHome)
    ->Arg(view_cmd::kEnd)
    ->Arg(view_cmd::kThumb)
    ->Arg(view_cmd::kRepaint)
    ->Unit(benchmark::kMillisecond);

// 115200 bit/s with 11 bits a byte: 10473 bytes/s a channel; telegrams of 12 to 21 bytes
// with a byte-time gap make about 700 a second a channel, 76 in a 54 ms tick for both.
constexpr int kRecordsPerTick = 76;

void BM_OnlineTick(benchmark::State& state) {
    TempDir dir;
    ViewRig rig(dir / "live.lg8", true);
    std::mt19937 rng(3);
    int i = 0;
    for (auto _ : state) {
        for (int k = 0; k < kRecordsPerTick; ++k) {
            TTelegram t = Telegram(rng, i++);
            rig.tc->log.Store(t);
        }
        rig.view->Tick();
    }
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(i), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_OnlineTick)->Unit(benchmark::kMillisecond);

void BM_OnlineFullRedraw(benchmark::State& state) {
    TempDir dir;
    ViewRig rig(dir / "live.lg8", true);
    std::mt19937 rng(3);
    for (int i = 0; i < 32; ++i) {
        TTelegram t = Telegram(rng, i);
        rig.tc->log.Store(t);
    }
    for (auto _ : state) {
        rig.view->Display().RequestFullRedraw();
        rig.view->Tick();
    }
}
BENCHMARK(BM_OnlineFullRedraw)->Unit(benchmark::kMillisecond);

void BM_StartToShownWindow(benchmark::State& state) {
    TempDir home;
    const std::string program = std::string(VADRIX_BIN_DIR) + "/vadrix";
    for (auto _ : state) {
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
            setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
            setenv("VADRIX_QUIT_WHEN_SHOWN", "1", 1);
            execl(program.c_str(), program.c_str(), "offline", static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("vadrix failed");
    }
}
BENCHMARK(BM_StartToShownWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace vadrix::testing

BENCHMARK_MAIN();
