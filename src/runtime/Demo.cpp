#include "runtime/Demo.h"

#include <QElapsedTimer>
#include <QThread>
#include <cstdlib>
#include <system_error>

namespace vadrix {
namespace {

constexpr int kStartTimeoutMs = 5000;
constexpr int kStopGraceMs = 2000;
constexpr int kLinePort = 1;

QString Q(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

// The simulators and the set-up: stations 5, 7 and 9 polled by channel 1 in the direct
// variant, or the monitor device's built-in scenario in variant 1.
QStringList SimulatorArguments(DemoMode mode, const std::filesystem::path& link) {
    if (mode == DemoMode::kMonitor) return {"monitor", "--pty", "--link", Q(link)};
    return {"station", "--address", "5,7,9", "--interval", "400", "--pty", "--link", Q(link)};
}

QStringList SetupArguments(DemoMode mode, const std::filesystem::path& file) {
    if (mode == DemoMode::kMonitor)
        return {"setup", Q(file), "general.ProtocolVariant=1", "emse1.ComNumber=1",
                "emse2.ComNumber=0"};
    return {"setup",
            Q(file),
            "general.ProtocolVariant=2",
            "general.TrafficKind=1",
            "emse1.ComNumber=1",
            "emse1.Function=1",
            "emse1.StationAddr=5,7,9",
            "emse1.StationCount=3",
            "emse2.ComNumber=0"};
}

}  // namespace

std::optional<DemoMode> ParseDemoMode(std::string_view word) {
    if (word.empty() || word == "direct") return DemoMode::kDirect;
    if (word == "monitor") return DemoMode::kMonitor;
    return std::nullopt;
}

std::filesystem::path DefaultDemoRoot() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return std::filesystem::path(xdg) / "vadrix-demo";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home ? home : "/tmp") / ".local/share/vadrix-demo";
}

DemoLine::~DemoLine() {
    Stop();
}

bool DemoLine::Running() const {
    for (const auto& p : simulators_)
        if (p->state() != QProcess::NotRunning) return true;
    return false;
}

bool DemoLine::StartSimulator(const std::filesystem::path& sim, const QStringList& args,
                              const std::filesystem::path& link, std::string& error) {
    std::error_code ec;
    std::filesystem::remove(link, ec);
    auto p = std::make_unique<QProcess>();
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->setStandardOutputFile(QProcess::nullDevice());
    p->start(Q(sim), args);
    if (!p->waitForStarted(kStartTimeoutMs)) {
        error =
            "the simulator " + sim.string() + " did not start: " + p->errorString().toStdString();
        return false;
    }
    // The simulator makes the link once its pseudo-terminal is open.
    QElapsedTimer clock;
    clock.start();
    while (!std::filesystem::exists(link, ec)) {
        if (p->state() == QProcess::NotRunning || clock.elapsed() > kStartTimeoutMs) {
            error = "the simulator " + sim.string() + " did not open its line " + link.string();
            p->kill();
            p->waitForFinished(kStopGraceMs);
            return false;
        }
        QThread::msleep(20);
    }
    simulators_.push_back(std::move(p));
    return true;
}

bool DemoLine::Start(DemoMode mode, const std::filesystem::path& toolsDir,
                     const std::filesystem::path& root, DemoLaunch& out, std::string& error) {
    std::error_code ec;
    out.configHome = root / "config";
    out.dataHome = root / "data";
    out.lockDirectory = root / "locks";
    for (const auto& dir : {out.configHome, out.dataHome, out.lockDirectory}) {
        std::filesystem::create_directories(dir, ec);
        if (ec) {
            error = "cannot make the demo folder " + dir.string() + ": " + ec.message();
            return false;
        }
    }
    const std::filesystem::path line = root / "line1";
    if (!StartSimulator(toolsDir / "vadrix-sim", SimulatorArguments(mode, line), line, error))
        return false;

    // The set-up is made by the same code as `vadrix-cli setup`, in the demo's folders.
    const std::filesystem::path setup =
        root / (mode == DemoMode::kMonitor ? "monitor.st8" : "direct.st8");
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", Q(out.configHome));
    env.insert("XDG_DATA_HOME", Q(out.dataHome));
    cli.setProcessEnvironment(env);
    cli.setProcessChannelMode(QProcess::MergedChannels);
    cli.start(Q(toolsDir / "vadrix-cli"), SetupArguments(mode, setup));
    if (!cli.waitForFinished(kStartTimeoutMs * 2) || cli.exitStatus() != QProcess::NormalExit ||
        cli.exitCode() != 0) {
        error = "vadrix-cli setup failed: " + cli.readAll().trimmed().toStdString();
        Stop();
        return false;
    }
    out.words = {setup.string(), "online"};
    out.ports = {{kLinePort, line.string()}};
    return true;
}

void DemoLine::Stop() {
    for (auto& p : simulators_) {
        if (p->state() == QProcess::NotRunning) continue;
        p->terminate();
        if (!p->waitForFinished(kStopGraceMs)) {
            p->kill();
            p->waitForFinished(kStopGraceMs);
        }
    }
    simulators_.clear();
}

}  // namespace vadrix
