#pragma once
// What the tests of the main window and its dialogs share: a context in English over an
// engine with fake ports, the live log and the send telegram file named as the program names
// them in a temporary data folder, the main window shown on demand, and a menu command whose
// modal dialog a test drives once it shows.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "FakeDialogs.h"
#include "GuiApp.h"
#include "app/DataFiles.h"
#include "app/Language.h"
#include "common/TextIds.h"
#include "gui/app/Q5MainF.h"
#include "interpret/Descriptions.h"
#include "support/EngineRig.h"
#include "support/TempDir.h"

namespace vadrix::testing {

class MainWindowRig : public ::testing::Test {
  protected:
    void SetUp() override {
        ctx().run.ProgramDirectory = std::filesystem::path(VADRIX_SOURCE_DIR) / "lang";
        ctx().settings.Language = 1;
        ASSERT_TRUE(LoadTextTable(ctx()));
        ctx().run.DataDirectory = dir.path();
        ctx().run.AuxFilePath = DataFileName(ctx(), txt::kSendFileName);
        rig.Configure();
        ctx().run.LogFilePath = DataFileName(ctx(), txt::kLogFileName);
        ASSERT_TRUE(ctx().log.Open(ctx().run.LogFilePath, false));
    }
    Context& ctx() { return *rig.tc; }
    TfmMain& Window() {
        if (!window) {
            window = std::make_unique<TfmMain>(ctx(), rig.engine, descriptions, dialogs);
            window->setGeometry(40, 40, 900, 600);
            window->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
            // Its activation must not arrive after the dialog's and take the focus away.
            EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        }
        return *window;
    }
    // Runs the command; act drives its dialog T once it shows, then OK closes it unless act
    // closed it already.
    template <typename T>
    void Drive(const char* action, std::function<void(T&)> act) {
        TfmMain& w = Window();
        Answer<T>(std::move(act));
        w.Action(action)->trigger();
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    template <typename T>
    static void Answer(std::function<void(T&)> act, int triesLeft = 100) {
        QTimer::singleShot(20, [act, triesLeft] {
            if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
                // Focus events, and with them the hints, reach the application's active
                // window only, which it becomes a little after its platform window.
                EXPECT_TRUE(QTest::qWaitFor([d] { return QApplication::activeWindow() == d; }));
                act(*d);
                if (d->isVisible())
                    QTest::mouseClick(d->template findChild<QPushButton*>("btnOK"), Qt::LeftButton);
                return;
            }
            if (triesLeft > 0) {
                Answer<T>(act, triesLeft - 1);
            } else {
                ADD_FAILURE() << "the dialog did not show";
                if (QWidget* other = QApplication::activeModalWidget()) other->close();
            }
        });
    }
    static int Pixels(const QImage& img, QRgb colour) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) n += img.pixel(x, y) == colour ? 1 : 0;
        return n;
    }

    QApplication& app = GuiApp();
    TempDir dir;
    EngineRig rig;
    Descriptions descriptions;
    FakeDialogs dialogs;
    std::unique_ptr<TfmMain> window;
};

}  // namespace vadrix::testing
