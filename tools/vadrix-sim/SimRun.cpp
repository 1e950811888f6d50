#include "SimRun.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <memory>
#include <vector>

#include "SimLog.h"
#include "runtime/QtClock.h"

namespace vadrix::sim {
namespace {

// A signal handler may only write to a pipe; the event loop reads the other end.
int stopPipe[2] = {-1, -1};

extern "C" void OnStopSignal(int) {
    const char b = 1;
    [[maybe_unused]] const ssize_t n = ::write(stopPipe[1], &b, 1);
}

void CatchStopSignals() {
    if (stopPipe[0] < 0 && ::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    ::sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
}

// What the device still has queued goes out, for at most half a second.
void DrainOutput(SerialPort& port) {
    QElapsedTimer waited;
    waited.start();
    while (port.OutputPending() > 0 && waited.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

}  // namespace

int RunDevice(SerialPort& port, SimDevice& device) {
    CatchStopSignals();
    port.SetDataHandler([&port, &device](std::size_t) {
        std::vector<std::uint8_t> buf(port.Available());
        const std::size_t got = port.Read(buf);
        if (got > 0) device.Receive(std::span<const std::uint8_t>(buf.data(), got));
    });

    QtClock clock;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] { device.Tick(clock.MsCounter()); });
    tick.start(kTickMs);

    std::unique_ptr<QSocketNotifier> stop;
    if (stopPipe[0] >= 0) {
        stop = std::make_unique<QSocketNotifier>(stopPipe[0], QSocketNotifier::Read);
        QObject::connect(stop.get(), &QSocketNotifier::activated, [] { QCoreApplication::quit(); });
    }

    QCoreApplication::exec();
    tick.stop();
    SimLog("stopping");
    device.Stop();
    DrainOutput(port);
    port.SetDataHandler({});
    return 0;
}

}  // namespace vadrix::sim
