// Message boxes: placed one fifth of the main window's width in from its left edge and 30
// pixels below the status table, with the table's text and the buttons asked for.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "GuiApp.h"
#include "app/Context.h"
#include "gui/common/QtDialogs.h"
#include "support/TestContext.h"

namespace vadrix::testing {
namespace {

TEST(MessageBoxTest, TopLeftFollowsTheMainWindowAndTheStatusTable) {
    EXPECT_EQ(MessageBoxTopLeft(QRect(100, 50, 900, 600), 180), QPoint(280, 210));
    EXPECT_EQ(MessageBoxTopLeft(QRect(0, 0, 500, 304), 40), QPoint(100, 70));
}

TEST(MessageBoxTest, ABoxShowsTheTextPlacedBelowTheTableAndReturnsTheButtonPressed) {
    GuiApp();
    TestContext tc;
    QWidget main;
    main.setGeometry(100, 60, 900, 600);
    QWidget table(&main);
    table.setGeometry(0, 30, 900, 80);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    QtDialogs dialogs(*tc);
    dialogs.SetAnchors(&main, &table);

    const struct {
        QMessageBox::StandardButton press;
        MessageButtons buttons;
        MessageResult expected;
    } cases[] = {
        {QMessageBox::Yes, MessageButtons::kYesNo, MessageResult::kYes},
        {QMessageBox::No, MessageButtons::kYesNo, MessageResult::kNo},
        {QMessageBox::Cancel, MessageButtons::kYesNoCancel, MessageResult::kCancel},
        {QMessageBox::Ok, MessageButtons::kOk, MessageResult::kOk},
    };
    for (const auto& c : cases) {
        QString shown;
        QPoint at;
        QTimer::singleShot(50, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            shown = box->text();
            at = box->pos();
            box->button(c.press)->click();
        });
        // CP1252 text as the table holds it: "Löschen?"
        EXPECT_EQ(dialogs.Message("L\xF6schen?", MessageKind::kConfirmation, c.buttons),
                  c.expected);
        EXPECT_EQ(shown, QString::fromUtf8("Löschen?"));
        const int tableBottom = table.mapToGlobal(QPoint(0, table.height())).y();
        EXPECT_EQ(at, MessageBoxTopLeft(main.frameGeometry(), tableBottom));
    }
}

}  // namespace
}  // namespace vadrix::testing
