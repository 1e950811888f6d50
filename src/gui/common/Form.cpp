#include "gui/common/Form.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <charconv>

#include "common/TextFormat.h"
#include "common/TextIds.h"
#include "editors/NumberText.h"
#include "gui/common/Help.h"
#include "gui/common/QtText.h"

namespace vadrix {

EntryField::EntryField(Context& ctx, QWidget* parent) : QLineEdit(parent), ctx_(ctx) {}

bool EntryField::Validate(bool tell) {
    const std::optional<std::string> error = check_ ? check_(text()) : std::nullopt;
    SetError(error.has_value());
    if (error && tell && !telling_) {
        telling_ = true;
        ctx_.ui.ShowMessage(*error, MessageKind::kError, MessageButtons::kOk);
        telling_ = false;
    }
    return !error;
}

void EntryField::SetError(bool on) {
    if (error_ == on) return;
    error_ = on;
    setStyleSheet(on ? "QLineEdit { background: #ffd0d0; }" : QString());
}

void EntryField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A message box of its own takes the focus too; that is no leaving.
    if (telling_ || event->reason() == Qt::ActiveWindowFocusReason ||
        event->reason() == Qt::PopupFocusReason)
        return;
    if (Validate()) {
        emit accepted();
        return;
    }
    // The field keeps the focus until its text is valid.
    QTimer::singleShot(0, this, [this] { setFocus(Qt::OtherFocusReason); });
}

EntryField* NewEntryField(Context& ctx, QWidget* parent, const char* name) {
    auto* f = new EntryField(ctx, parent);
    f->setObjectName(name);
    f->label = new QLabel(parent);
    f->label->setBuddy(f);
    return f;
}

void MakeNumberField(Context& ctx, EntryField& f, int lo, int hi, int maxDigits) {
    f.setMaxLength(maxDigits);
    f.SetCheck([&ctx, lo, hi](const QString& text) -> std::optional<std::string> {
        if (ParseIntInRange(TrimBlanks(text.toStdString()), lo, hi)) return std::nullopt;
        return FormatText(ctx.Txt(txt::kFieldRange), {FmtArg(lo), FmtArg(hi)});
    });
}

std::optional<int> FieldNumber(const EntryField& f) {
    const auto v = ParseWholeInt(TrimBlanks(f.text().toStdString()));
    if (!v) return std::nullopt;
    return static_cast<int>(*v);
}

namespace {

// The range message with decimal bounds: the text's two number places take them as written.
std::string RangeMessage(const Context& ctx, double lo, double hi) {
    std::string text(ctx.Txt(txt::kFieldRange));
    for (const double v : {lo, hi}) {
        const std::size_t at = text.find("%d");
        if (at == std::string::npos) break;
        text.replace(at, 2, QString::number(v).toStdString());
    }
    return text;
}

}  // namespace

std::optional<double> FieldDecimal(const EntryField& f) {
    QString text = f.text().trimmed();
    text.replace(',', '.');
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok) return std::nullopt;
    return v;
}

void MakeDecimalField(Context& ctx, EntryField& f, double lo, double hi, int maxChars) {
    f.setMaxLength(maxChars);
    f.SetCheck([&ctx, &f, lo, hi](const QString&) -> std::optional<std::string> {
        const auto v = FieldDecimal(f);
        // A hair of tolerance: 2.2 typed is 2.2, whatever the binary fraction makes of it.
        if (v && *v >= lo - 1e-9 && *v <= hi + 1e-9) return std::nullopt;
        return RangeMessage(ctx, lo, hi);
    });
}

EditorForm::EditorForm(Context& ctx, QWidget* window, QStatusBar* status)
    : QObject(window), ctx_(ctx), window_(window), status_(status) {}

void EditorForm::AddControl(QWidget* w, int hint) {
    controls_.emplace_back(w);
    SetHint(w, hint);
    w->installEventFilter(this);
}

void EditorForm::SetHint(QWidget* w, int hint) {
    w->setProperty("hint", hint);
}

void EditorForm::SetFieldLabel(EntryField& f, int text) {
    if (f.label) f.label->setText(QTxt(ctx_, text));
    SetHint(&f, text + 1);
}

void EditorForm::FillComboFromTexts(QComboBox& box, QLabel* label, int n) {
    if (label) label->setText(QTxt(ctx_, n));
    const std::string_view countText = ctx_.Txt(n + 1);
    int count = 0;
    std::from_chars(countText.data(), countText.data() + countText.size(), count);
    const int keep = box.currentIndex();
    box.clear();
    for (int i = 0; i < count; ++i) box.addItem(QTxt(ctx_, n + 2 + i));
    if (keep >= 0 && keep < box.count()) box.setCurrentIndex(keep);
    SetHint(&box, txt::kGeneralHint);
}

void EditorForm::FocusControl(int index) {
    if (index < 1 || index > static_cast<int>(controls_.size())) return;
    QWidget* w = controls_[static_cast<std::size_t>(index - 1)];
    if (w && w->isVisibleTo(window_) && w->isEnabled() && w->focusPolicy() != Qt::NoFocus)
        w->setFocus(Qt::OtherFocusReason);
}

bool EditorForm::AllValid() {
    bool valid = true;
    for (const QPointer<QWidget>& w : controls_) {
        auto* field = qobject_cast<EntryField*>(w.data());
        if (field && field->isVisibleTo(window_) && !field->Validate(valid)) valid = false;
    }
    return valid;
}

void EditorForm::Entered(QWidget* w) {
    if (status_) status_->showMessage(QTxt(ctx_, w->property("hint").toInt()));
    if (qobject_cast<QAbstractButton*>(w)) return;
    for (std::size_t i = 0; i < controls_.size(); ++i)
        if (controls_[i] == w) focusIndex_ = static_cast<int>(i) + 1;
}

bool EditorForm::eventFilter(QObject* watched, QEvent* event) {
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w) return false;
    if (event->type() == QEvent::FocusIn) {
        Entered(w);
        if (onEnter) onEnter(w);
        return false;
    }
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (onLeave && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            onLeave(w);
        return false;
    }
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
        if (onEscape) onEscape();
        return true;  // consumed in any case
    }
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!enter || key->modifiers() != Qt::NoModifier) return false;
    if (qobject_cast<QAbstractButton*>(w) || (keepsEnter && keepsEnter(w))) return false;
    if (auto* box = qobject_cast<QComboBox*>(w); box && box->view()->isVisible()) return false;
    // As Tab does, so the window's tab order holds.
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &tab);
    return true;
}

DialogButtons AddDialogButtons(QDialog& dialog, QBoxLayout& root, QStatusBar* status,
                               const Context& ctx, int okText, int helpContext) {
    DialogButtons b{new QPushButton(QTxt(ctx, okText), &dialog),
                    new QPushButton(QTxt(ctx, txt::kButtonCancel), &dialog),
                    new QPushButton(QTxt(ctx, txt::kButtonHelp), &dialog)};
    b.ok->setObjectName("btnOK");
    b.cancel->setObjectName("btnAbbr");
    b.help->setObjectName("btnHelp");
    auto* row = new QHBoxLayout;
    for (QPushButton* button : {b.ok, b.cancel, b.help}) {
        button->setAutoDefault(false);
        row->addWidget(button);
    }
    root.addLayout(row);
    if (status) root.addWidget(status);
    QObject::connect(b.ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(b.cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    QObject::connect(b.help, &QPushButton::clicked, &dialog,
                     [&ctx, helpContext] { OpenHelp(ctx, helpContext); });
    return b;
}

QPoint EditorPosition(const QWidget* mainWindow, int editorWidth) {
    if (!mainWindow) return {0, 50};
    const QRect frame = mainWindow->frameGeometry();
    const QScreen* screen = mainWindow->screen() ? mainWindow->screen() : qApp->primaryScreen();
    const int screenWidth = screen ? screen->geometry().width() : frame.right() + editorWidth;
    return {std::min(frame.right() + 1, screenWidth - editorWidth), frame.top() + 50};
}

bool AskYesNo(Context& ctx, int n) {
    return ctx.ui.ShowMessage(ctx.Txt(n), MessageKind::kConfirmation, MessageButtons::kYesNo) ==
           MessageResult::kYes;
}

}  // namespace vadrix
