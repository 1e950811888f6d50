#include "gui/app/ProgramMain.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <cstdio>

#include "app/DataFiles.h"
#include "app/Engine.h"
#include "app/ProgramStart.h"
#include "app/Startup.h"
#include "channel/Channel.h"
#include "gui/app/Q5MainF.h"
#include "gui/app/Q5StatusTable.h"
#include "gui/app/ScreenGrab.h"
#include "gui/common/QtDialogs.h"
#include "interpret/Descriptions.h"
#include "runtime/DesktopPlatform.h"
#include "runtime/EngineDriver.h"
#include "runtime/PortScan.h"
#include "runtime/QtClock.h"
#include "runtime/QtEventLoop.h"
#include "runtime/TermiosSerialPort.h"

namespace vadrix {
namespace {

// The user interface seam of the program: message boxes below the status table, the rest
// to the main window once it exists. The boxes need the context's texts, so they come after
// the context; until then messages go to standard error.
class WindowUserInterface : public UserInterface {
  public:
    MessageResult ShowMessage(std::string_view text, MessageKind kind,
                              MessageButtons buttons) override {
        if (!window) std::fprintf(stderr, "vadrix: %s\n", Cp1252ToUtf8(text).c_str());
        if (!dialogs)
            return buttons == MessageButtons::kOk ? MessageResult::kOk : MessageResult::kNo;
        return dialogs->Message(text, kind, buttons);
    }
    void SetIndicator(Indicator which, int state) override {
        if (window) window->SetIndicator(which, state);
    }
    void RequestRedraw() override {
        if (window) window->Redraw();
    }
    void SetWaitCursor(bool on) override {
        if (on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    }

    QtDialogs* dialogs = nullptr;
    QPointer<TfmMain> window;
};

void ApplyFolders(DesktopPlatform& platform, const ProgramOptions& o) {
    if (o.configHome) platform.configHome = *o.configHome;
    if (o.dataHome) platform.dataHome = *o.dataHome;
    if (o.lockDirectory) platform.lockDirectory = *o.lockDirectory;
}

}  // namespace

int RunProgram(const ProgramOptions& options) {
    QtClock clock;
    QtEventLoop loop;
    DesktopPlatform platform;
    ApplyFolders(platform, options);
    WindowUserInterface ui;
    auto ctx = std::make_unique<Context>(clock, loop, ui);
    QtDialogs dialogs(*ctx);
    ui.dialogs = &dialogs;

    switch (InitCommon(*ctx, platform)) {
        case StartOutcome::kTextTableFailed:
            return kExitTextTable;
        case StartOutcome::kNoInstance:
            return 0;  // two copies run already: no window
        case StartOutcome::kRun:
            break;
    }
    const ProgramArguments line = ReadCommandLine(*ctx, options.words);
    Descriptions descriptions;
    Engine engine(*ctx);
    OpenStartFiles(*ctx, line, descriptions);

    PortTable table;
    std::string error;
    if (!LoadPortTable(ctx->run.DataDirectory, table, error))
        std::fprintf(stderr, "vadrix: %s\n", error.c_str());
    for (const auto& [port, path] : options.ports) table.Override(port, path);
    TermiosSerialPort port1(table);
    TermiosSerialPort port2(table);
    BindChannel(*ctx, ctx->emse1, port1);
    BindChannel(*ctx, ctx->emse2, port2);
    port1.SetDataHandler([&](std::size_t n) { OnPortData(*ctx, ctx->emse1, n); });
    port2.SetDataHandler([&](std::size_t n) { OnPortData(*ctx, ctx->emse2, n); });
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ctx->run.PresentPorts = ScanPorts(table, {});
    QApplication::restoreOverrideCursor();
    CheckConfiguredPorts(*ctx, ctx->run.PresentPorts);

    EngineDriver driver(engine);
    driver.AddPort(port1);
    driver.AddPort(port2);
    {
        TfmMain window(*ctx, engine, descriptions, dialogs);
        dialogs.SetAnchors(&window, window.StatusTable());
        window.SetPortTable(&table);
        window.saveSettings = [&] { SaveSettings(*ctx, platform); };
        ui.window = &window;
        engine.hooks.portError = [&](const std::string& e) {
            ctx->ui.ShowMessage(e, MessageKind::kError, MessageButtons::kOk);
        };
        driver.afterTick = [&] { window.AfterTick(); };
        window.onClose = [&] { driver.Stop(); };
        window.RestorePlacement();
        window.show();
        driver.Start();
        if (const QString grab = qEnvironmentVariable(kGrabDirVariable); !grab.isEmpty())
            ScheduleGrabs(*ctx, window, grab);
        // For measuring the start: closes as soon as the window has been shown.
        if (qEnvironmentVariableIsSet("VADRIX_QUIT_WHEN_SHOWN"))
            QTimer::singleShot(0, &window, &QWidget::close);
        QApplication::exec();
        driver.Stop();
        ui.window = nullptr;
        engine.hooks.portError = nullptr;
    }
    CloseProgram(*ctx, platform);
    ui.dialogs = nullptr;
    return 0;
}

}  // namespace vadrix
