#include "gui/dialogs/Q5SyBeF.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include "app/DeviceMode.h"
#include "app/Engine.h"
#include "channel/Channel.h"
#include "common/TextIds.h"
#include "gui/common/Help.h"
#include "gui/common/QtText.h"

namespace vadrix {

namespace {

constexpr int kHelpContext = 5650;
constexpr int kWidth = 560;
constexpr int kHeight = 380;
constexpr int kTopBelowMain = 54;

}  // namespace

TfmSyBe::TfmSyBe(Context& ctx, QWidget* mainWindow)
    : QDialog(mainWindow),
      terminal_(ctx),
      mem_(new QPlainTextEdit(this)),
      btnExit_(new QPushButton(QTxt(ctx, txt::kButtonExit), this)) {
    setObjectName("TfmSyBe");
    setWindowTitle(QTxt(ctx, txt::kSystemOperationCaption));
    mem_->setObjectName("mem");
    mem_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    mem_->setUndoRedoEnabled(false);
    mem_->installEventFilter(this);
    btnExit_->setObjectName("btnExit");
    btnExit_->setAutoDefault(false);
    auto* help = new QPushButton(QTxt(ctx, txt::kButtonHelp), this);
    help->setAutoDefault(false);
    auto* root = new QVBoxLayout(this);
    root->addWidget(mem_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnExit_);
    buttons->addWidget(help);
    root->addLayout(buttons);
    connect(btnExit_, &QPushButton::clicked, this, &QDialog::accept);
    connect(help, &QPushButton::clicked, this, [&ctx] { OpenHelp(ctx, kHelpContext); });
    terminal_.changed = [this] { ShowLines(); };
    resize(kWidth, kHeight);
    // Centred over the main window, a little below its top.
    if (mainWindow) {
        const QRect frame = mainWindow->frameGeometry();
        move(frame.left() + (frame.width() - kWidth) / 2, frame.top() + kTopBelowMain);
    }
    mem_->setFocus();
}

bool TfmSyBe::eventFilter(QObject* watched, QEvent* event) {
    if (watched != mem_ || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    // Keys without a character (arrows, pages) move about the text; every typed character
    // goes to the device instead of into the text.
    if (text.isEmpty()) return false;
    for (const char32_t c : text.toUcs4()) terminal_.TypeKey(c);
    return true;
}

void TfmSyBe::ShowLines() {
    const std::vector<std::string>& lines = terminal_.Lines();
    QTextCursor cursor(mem_->document());
    if (lines.size() < shownLines_ || lines.size() >= SystemTerminal::kMaxLines) {
        // The oldest lines have gone: the text is shown anew.
        QStringList all;
        for (const std::string& l : lines) all << FromCp1252(l);
        mem_->setPlainText(all.join('\n'));
    } else {
        // The last shown line may have grown; new lines follow it.
        cursor.movePosition(QTextCursor::End);
        cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
        cursor.insertText(FromCp1252(lines[shownLines_ - 1]));
        for (std::size_t i = shownLines_; i < lines.size(); ++i) {
            cursor.insertBlock();
            cursor.insertText(FromCp1252(lines[i]));
        }
    }
    shownLines_ = lines.size();
    mem_->moveCursor(QTextCursor::End);
    mem_->ensureCursorVisible();
}

void RunSystemOperation(Context& ctx, Engine& engine, QWidget* mainWindow) {
    RunInDeviceMode(ctx, engine, kTerminalVariant, [&] {
        TfmSyBe terminal(ctx, mainWindow);
        terminal.exec();
    });
}

}  // namespace vadrix
