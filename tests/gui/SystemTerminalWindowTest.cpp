// The system-operation terminal on a pseudo-terminal whose far end the test plays: typed
// lower-case letters go out as upper case, a character of code 127 or above sends nothing,
// and each CR LF the device sends starts exactly one new line.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "../runtime/SerialPtyPair.h"
#include "GuiApp.h"
#include "app/Engine.h"
#include "channel/Channel.h"
#include "channel/PortTable.h"
#include "common/TextIds.h"
#include "gui/dialogs/Q5SyBeF.h"
#include "runtime/QtClock.h"
#include "runtime/QtEventLoop.h"
#include "runtime/TermiosSerialPort.h"
#include "support/FakeUserInterface.h"

namespace vadrix::testing {
namespace {

class SystemTerminalWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ctx.texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
        ctx.general.ProtocolVariant = 2;
        ctx.emse1.P.ComNumber = 1;
        ctx.emse2.P.ComNumber = 0;
        ASSERT_TRUE(device.ok());
        table.Override(1, device.device());
        BindChannel(ctx, ctx.emse1, port);
    }
    // Runs the terminal as the general settings start it; check drives the open window.
    void Run(std::function<void(TfmSyBe&)> check) {
        QTimer::singleShot(0, [check] {
            auto* t = qobject_cast<TfmSyBe*>(QApplication::activeModalWidget());
            if (!t) {
                ADD_FAILURE() << "no terminal window";
                return;
            }
            check(*t);
            QTest::mouseClick(t->findChild<QPushButton*>("btnExit"), Qt::LeftButton);
        });
        RunSystemOperation(ctx, engine, nullptr);
    }

    QApplication& app = GuiApp();
    QtClock clock;
    QtEventLoop loop;
    FakeUserInterface ui;
    Context ctx{clock, loop, ui};
    Engine engine{ctx};
    PtyPair device;  // the test plays the field device
    PortTable table;
    TermiosSerialPort port{table};
};

TEST_F(SystemTerminalWindowTest, TypedKeysGoOutUpperCaseAndLinesEndAtLineFeed) {
    Run([this](TfmSyBe& t) {
        QPlainTextEdit* mem = t.Memo();
        QTest::keyClicks(mem, "v1");
        EXPECT_EQ(device.Receive(2), (std::vector<std::uint8_t>{'V', '1'}));
        // A character the line cannot carry sends nothing, and no key goes into the text.
        QKeyEvent accented(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                           QString::fromUtf8("\xC3\xA9"));
        QApplication::sendEvent(mem, &accented);
        EXPECT_TRUE(device.Receive(1, 300).empty());
        EXPECT_EQ(mem->toPlainText(), "");
        // What the device sends: CR LF starts exactly one new line, a lone CR is ignored.
        const std::string answer = "V1\r\nFIELD DEVICE 1.0\r\nA\rB";
        device.Send(std::vector<std::uint8_t>(answer.begin(), answer.end()));
        EXPECT_TRUE(PumpUntil([&] { return mem->toPlainText().endsWith("AB"); }))
            << mem->toPlainText().toStdString();
        EXPECT_EQ(mem->toPlainText(), "V1\nFIELD DEVICE 1.0\nAB");
    });
    // The port is closed and the operating mode is the one before.
    EXPECT_EQ(ctx.emse1.PortOpen, 0);
    EXPECT_EQ(ctx.general.ProtocolVariant, 2);
}

TEST_F(SystemTerminalWindowTest, WithoutAPortItSaysSoAndOpensNothing) {
    ctx.emse1.P.ComNumber = 0;
    RunSystemOperation(ctx, engine, nullptr);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, ctx.Txt(txt::kNoPortConfigured));
    EXPECT_EQ(ctx.settings.Online, 0);
}

}  // namespace
}  // namespace vadrix::testing
