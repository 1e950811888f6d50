#include "gui/common/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

#include "common/TextIds.h"
#include "gui/common/QtText.h"

namespace vadrix {
namespace {

QMessageBox::Icon IconOf(MessageKind kind) {
    switch (kind) {
        case MessageKind::kWarning:
            return QMessageBox::Warning;
        case MessageKind::kError:
            return QMessageBox::Critical;
        case MessageKind::kInformation:
            return QMessageBox::Information;
        case MessageKind::kConfirmation:
            return QMessageBox::Question;
        case MessageKind::kPlain:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ButtonsOf(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::kOk:
            return QMessageBox::Ok;
        case MessageButtons::kYesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::kYesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MessageButtons::kOkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

MessageResult ResultOf(int button) {
    switch (button) {
        case QMessageBox::Yes:
            return MessageResult::kYes;
        case QMessageBox::No:
            return MessageResult::kNo;
        case QMessageBox::Cancel:
            return MessageResult::kCancel;
        default:
            return MessageResult::kOk;
    }
}

}  // namespace

QPoint MessageBoxTopLeft(const QRect& mainFrame, int statusTableBottom) {
    return {mainFrame.left() + mainFrame.width() / 5, statusTableBottom + 30};
}

void QtDialogs::SetAnchors(QWidget* mainWindow, QWidget* statusTable) {
    mainWindow_ = mainWindow;
    statusTable_ = statusTable;
}

MessageResult QtDialogs::Message(std::string_view text, MessageKind kind, MessageButtons buttons) {
    QMessageBox box(IconOf(kind), QTxt(ctx_, txt::kProgramTitle).trimmed(), FromCp1252(text),
                    ButtonsOf(buttons), Owner());
    if (mainWindow_) {
        // A minimised program comes back first so that the question is seen.
        if (mainWindow_->isMinimized()) mainWindow_->showNormal();
        const int bottom = statusTable_
                               ? statusTable_->mapToGlobal(QPoint(0, statusTable_->height())).y()
                               : mainWindow_->frameGeometry().top();
        box.move(MessageBoxTopLeft(mainWindow_->frameGeometry(), bottom));
    }
    return ResultOf(box.exec());
}

// An editor window stays on top of the main window: a box it asks must stand above it.
QWidget* QtDialogs::Owner() const {
    QWidget* active = QApplication::activeWindow();
    return active ? active : mainWindow_.data();
}

QString QtDialogs::Text(int n) const {
    return QTxt(ctx_, n);
}

// "Log files (*.lg8)|*.lg8|All files (*.*)|*.*" becomes Qt's "Log files (*.lg8);;All files (*.*)".
QString QtDialogs::Filter(int filterText) const {
    const QStringList parts = Text(filterText).split('|');
    QStringList names;
    for (int i = 0; i + 1 < parts.size(); i += 2) names << parts[i];
    return names.join(";;");
}

std::optional<std::filesystem::path> QtDialogs::OpenFile(const FileDialogTexts& texts,
                                                         const std::filesystem::path& start) {
    const QString file = QFileDialog::getOpenFileName(
        Owner(), Text(texts.title), QString::fromStdString(start.string()), Filter(texts.filter));
    if (file.isEmpty()) return std::nullopt;
    return std::filesystem::path(file.toStdString());
}

std::optional<std::filesystem::path> QtDialogs::SaveFile(const FileDialogTexts& texts,
                                                         const std::filesystem::path& start) {
    QFileDialog dialog(Owner(), Text(texts.title), QString::fromStdString(start.string()),
                       Filter(texts.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(Text(texts.extension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return std::filesystem::path(dialog.selectedFiles().front().toStdString());
}

std::optional<std::filesystem::path> QtDialogs::ChooseFolder(int title,
                                                             const std::filesystem::path& start) {
    const QString dir = QFileDialog::getExistingDirectory(
        Owner(), Text(title), QString::fromStdString(start.string()), QFileDialog::ShowDirsOnly);
    if (dir.isEmpty()) return std::nullopt;
    return std::filesystem::path(dir.toStdString());
}

}  // namespace vadrix
