// The programming window against a "vadrix-sim field" process on a pseudo-terminal, driven
// through its menu: read E800-EFFF, write it back, save and compare, the station parameters
// edited and written, each with its log lines; a device that stops mid-transfer leaves the
// window answering events, with the error lines. The system-operation terminal talks to the
// same device.

#include <gtest/gtest.h>

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "../tools/SimProcess.h"
#include "FakeDialogs.h"
#include "GuiApp.h"
#include "app/Engine.h"
#include "app/Language.h"
#include "channel/Channel.h"
#include "channel/PortTable.h"
#include "common/TextIds.h"
#include "gui/common/Form.h"
#include "gui/common/QtText.h"
#include "gui/dialogs/Q5SyBeF.h"
#include "gui/params/Q5PgStF.h"
#include "gui/programming/Q5PgF.h"
#include "runtime/QtClock.h"
#include "runtime/QtEventLoop.h"
#include "runtime/TermiosSerialPort.h"
#include "support/FakeUserInterface.h"
#include "support/TempDir.h"

namespace vadrix::testing {
namespace {

class ProgrammingWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ctx.run.ProgramDirectory = std::filesystem::path(VADRIX_SOURCE_DIR) / "lang";
        ctx.settings.Language = 1;
        ASSERT_TRUE(LoadTextTable(ctx));
        ctx.general.ProtocolVariant = 2;
        ctx.emse1.P.ComNumber = 1;
        ctx.emse2.P.ComNumber = 0;
        BindChannel(ctx, ctx.emse1, port);
    }
    void StartDevice(std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"field", "--memory", (dir / "memory.bin").string()};
        args.insert(args.end(), extra.begin(), extra.end());
        device = std::make_unique<SimProcess>(args, (dir / "sim.log").string());
        ASSERT_FALSE(device->device().empty());
        table.Override(1, device->device());
    }
    // Opens the window as the general settings do; check drives it.
    void Run(std::function<void(TfmPg&)> check) {
        QTimer::singleShot(0, [check] {
            auto* w = qobject_cast<TfmPg*>(QApplication::activeModalWidget());
            if (!w) {
                ADD_FAILURE() << "no programming window";
                return;
            }
            check(*w);
            w->reject();
        });
        OpenProgrammingWindow(ctx, engine, dialogs, nullptr);
    }
    // Answers the next modal dialog of type T once it shows, from inside the running command.
    template <typename T>
    static void Answer(std::function<void(T&)> act, int triesLeft = 200) {
        QTimer::singleShot(50, [act, triesLeft] {
            if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
                act(*d);
                return;
            }
            if (triesLeft > 0) Answer<T>(act, triesLeft - 1);
        });
    }
    // A function item as the user picks it: the menu opens (and enables what applies), then
    // the item.
    static void Pick(TfmPg& w, PgItem item) {
        QMetaObject::invokeMethod(w.FunctionMenu(), "aboutToShow");
        w.Item(item)->trigger();
    }
    static std::string Memo(TfmPg& w) { return w.Memo()->toPlainText().toStdString(); }
    std::string T(int n) const { return std::string(ctx.Txt(n)); }

    QApplication& app = GuiApp();
    TempDir dir;
    QtClock clock;
    QtEventLoop loop;
    FakeUserInterface ui;
    Context ctx{clock, loop, ui};
    Engine engine{ctx};
    PortTable table;
    TermiosSerialPort port{table};
    FakeDialogs dialogs;
    std::unique_ptr<SimProcess> device;
};

TEST_F(ProgrammingWindowTest, ReadWriteSaveCompareAndStationParameters) {
    StartDevice();
    Run([this](TfmPg& w) {
        EXPECT_EQ(w.windowTitle(), QTxt(ctx, txt::kProgrammingCaption));
        // Without an image, writing, saving and showing are not offered.
        QMetaObject::invokeMethod(w.FunctionMenu(), "aboutToShow");
        EXPECT_FALSE(w.Item(PgItem::kWriteDevice)->isEnabled());
        EXPECT_TRUE(w.Item(PgItem::kReadDevice)->isEnabled());

        Answer<QInputDialog>([](QInputDialog& d) {
            EXPECT_EQ(d.textValue(), "E800-EFFF");
            d.accept();
        });
        Pick(w, PgItem::kReadDevice);
        EXPECT_EQ(w.Core().Image().header.Length, 2048) << Memo(w);
        EXPECT_NE(Memo(w).find(T(txt::kCommandDone)), std::string::npos) << Memo(w);
        EXPECT_TRUE(w.ImageStatus()->text().contains("E800-EFFF"))
            << w.ImageStatus()->text().toStdString();

        ui.answers = {MessageResult::kYes};
        Pick(w, PgItem::kWriteDevice);
        ASSERT_FALSE(ui.messages.empty()) << Memo(w);
        EXPECT_EQ(ui.messages.back().text, ctx.Txt(txt::kAskWriteDevice));
        EXPECT_EQ(Memo(w).find(T(txt::kCommandFailed)), std::string::npos) << Memo(w);

        dialogs.answers = {dir / "e800.fwp"};
        Pick(w, PgItem::kSaveFile);
        EXPECT_TRUE(std::filesystem::exists(dir / "e800.fwp"));
        dialogs.answers = {dir / "e800.fwp"};
        Pick(w, PgItem::kCompare);
        EXPECT_NE(Memo(w).find(T(txt::kCommandDone)), std::string::npos) << Memo(w);

        // Station parameters: read, edited in their dialog, written back.
        Answer<TfmPgSt>([](TfmPgSt& d) {
            d.findChild<QLineEdit*>("sfStation")->setText("42");
            QTest::mouseClick(d.findChild<QPushButton*>("btnOK"), Qt::LeftButton);
        });
        ui.answers = {MessageResult::kYes};
        Pick(w, PgItem::kStationParams);
        EXPECT_EQ(Memo(w).find(T(txt::kCommandFailed)), std::string::npos) << Memo(w);
        Pick(w, PgItem::kShowImage);
        EXPECT_NE(Memo(w).find("EFF0"), std::string::npos) << Memo(w);
    });
    // The device keeps the new station number in its memory file.
    const std::string memory = ReadFileText(dir / "memory.bin");
    ASSERT_EQ(memory.size(), 65536u);
    EXPECT_EQ(static_cast<std::uint8_t>(memory[0xEFF0 + 8]), 42);
    EXPECT_EQ(ctx.general.ProtocolVariant, 2);
    EXPECT_EQ(ctx.emse1.PortOpen, 0);
}

TEST_F(ProgrammingWindowTest, ADeviceThatStopsMidTransferLeavesTheWindowAnswering) {
    StartDevice({"--stop-after", "100"});
    Run([this](TfmPg& w) {
        int ticks = 0;
        QTimer beat;
        QObject::connect(&beat, &QTimer::timeout, [&] { ++ticks; });
        beat.start(20);
        Answer<QInputDialog>([](QInputDialog& d) { d.accept(); });
        Pick(w, PgItem::kReadDevice);
        EXPECT_EQ(w.Core().Image().header.Length, 100);
        const std::string memo = Memo(w);
        EXPECT_NE(memo.find(T(txt::kTransferIncomplete)), std::string::npos) << memo;
        EXPECT_NE(memo.find(T(txt::kTransferFailed)), std::string::npos) << memo;
        EXPECT_NE(memo.find(T(txt::kCommandFailed)), std::string::npos) << memo;
        // The window handled its events while it waited for the bytes that never came.
        EXPECT_GT(ticks, 5);
    });
}

TEST_F(ProgrammingWindowTest, TheTerminalTalksToTheDevice) {
    StartDevice();
    QTimer::singleShot(0, [] {
        auto* t = qobject_cast<TfmSyBe*>(QApplication::activeModalWidget());
        if (!t) {
            ADD_FAILURE() << "no terminal window";
            return;
        }
        QTest::keyClicks(t->Memo(), "v");
        QTest::keyClick(t->Memo(), Qt::Key_Return);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return t->Memo()->toPlainText().contains("SIMULATOR 1.0\n"); }, 5000));
        EXPECT_EQ(t->Memo()->toPlainText(), "V\nFIELD DEVICE SIMULATOR 1.0\n");
        t->accept();
    });
    RunSystemOperation(ctx, engine, nullptr);
}

}  // namespace
}  // namespace vadrix::testing
