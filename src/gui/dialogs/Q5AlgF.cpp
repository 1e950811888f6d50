#include "gui/dialogs/Q5AlgF.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "common/TextIds.h"
#include "gui/common/Dialogs.h"
#include "gui/common/Form.h"
#include "gui/common/Help.h"
#include "gui/common/QtText.h"

namespace vadrix {

namespace {

constexpr int kHelpContext = 5500;
constexpr int kWidth = 480;
constexpr int kMaxScale = 1000000;
constexpr int kMaxLogSize = 4000;  // units of 1,024,000 bytes

}  // namespace

TfmAlg::TfmAlg(Context& ctx, Dialogs& dialogs, QWidget* mainWindow)
    : QDialog(mainWindow),
      ctx_(ctx),
      dialogs_(dialogs),
      params_(ctx.general),
      dataDirectory_(ctx.run.DataDirectory),
      status_(new QStatusBar(this)) {
    setObjectName("TfmAlg");
    setWindowTitle(QTxt(ctx_, txt::kGeneralCaption));
    form_ = new EditorForm(ctx_, this, status_);
    form_->onEscape = [this] { reject(); };
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    auto combo = [&](const char* name, int list, int value) {
        auto* c = new QComboBox(this);
        c->setObjectName(name);
        auto* label = new QLabel(this);
        form_->FillComboFromTexts(*c, label, list);
        c->setCurrentIndex(value >= 0 && value < c->count() ? value : 0);
        grid->addWidget(label, grid->rowCount(), 0);
        grid->addWidget(c, grid->rowCount() - 1, 1, 1, 2);
        return c;
    };
    auto field = [&](const char* name, int label) {
        EntryField* f = NewEntryField(ctx_, this, name);
        form_->SetFieldLabel(*f, label);
        grid->addWidget(f->label, grid->rowCount(), 0);
        grid->addWidget(f, grid->rowCount() - 1, 1, 1, 2);
        return f;
    };
    cbProt_ = combo("cbProt", txt::kProtocolList, params_.ProtocolVariant);
    cbVka_ = combo("cbVka", txt::kTrafficKindList, params_.TrafficKind != 0 ? 1 : 0);
    cbDaAbg_ = combo("cbDaAbg", txt::kDataSyncList, params_.DataSync);
    cbUeb17_ = combo("cbUeb17", txt::kType17List, params_.Type17Option);
    sfScale8_ = field("sfScale8", txt::kScale8Label);
    sfScale11_ = field("sfScale11", txt::kScale11Label);
    sfMaxLog_ = field("sfMaxLog", txt::kLogSizeLabel);
    edLogVerz_ = field("edLogVerz", txt::kDataDirectoryLabel);
    MakeNumberField(ctx_, *sfScale8_, 1, kMaxScale, 7);
    MakeNumberField(ctx_, *sfScale11_, 1, kMaxScale, 7);
    MakeNumberField(ctx_, *sfMaxLog_, 1, kMaxLogSize, 4);
    sfScale8_->setText(QString::number(params_.Scale8));
    sfScale11_->setText(QString::number(params_.Scale11));
    sfMaxLog_->setText(QString::number(params_.LogSize));
    edLogVerz_->setText(QString::fromStdString(dataDirectory_.string()));
    // A folder that is not there yet is made when the user agrees.
    edLogVerz_->SetCheck([this](const QString& text) -> std::optional<std::string> {
        const QString dir = text.trimmed();
        if (!dir.isEmpty() && QDir(dir).exists()) return std::nullopt;
        if (!dir.isEmpty() && AskYesNo(ctx_, txt::kAskCreateDirectory) && QDir().mkpath(dir))
            return std::nullopt;
        return std::string(ctx_.Txt(txt::kFieldInvalid));
    });
    auto* browse = new QPushButton("...", this);
    browse->setObjectName("btnBr");
    browse->setAutoDefault(false);
    grid->addWidget(browse, grid->rowCount() - 1, 3);
    connect(browse, &QPushButton::clicked, this, [this] {
        const auto dir = dialogs_.ChooseFolder(txt::kDataDirectoryLabel,
                                               edLogVerz_->text().trimmed().toStdString());
        if (dir)
            edLogVerz_->setText(QDir::toNativeSeparators(QString::fromStdString(dir->string())) +
                                QDir::separator());
    });

    auto* root = new QVBoxLayout(this);
    root->addLayout(grid);
    const DialogButtons buttons =
        AddDialogButtons(*this, *root, status_, ctx_, txt::kButtonOk, kHelpContext);
    QPushButton* ok = buttons.ok;
    QPushButton* cancel = buttons.cancel;
    QPushButton* help = buttons.help;
    for (QWidget* w :
         std::initializer_list<QWidget*>{cbProt_, cbVka_, cbDaAbg_, cbUeb17_, sfScale8_, sfScale11_,
                                         sfMaxLog_, edLogVerz_, browse, ok, cancel, help})
        form_->AddControl(
            w, w->property("hint").isValid() ? w->property("hint").toInt() : txt::kGeneralHint);
    resize(kWidth, sizeHint().height());
    move(EditorPosition(mainWindow, kWidth));
    form_->FocusControl(params_.FocusIndex);
}

int TfmAlg::ModeItem() const {
    return cbProt_->currentIndex();
}

void TfmAlg::accept() {
    if (!form_->AllValid()) return;
    params_.FocusIndex = form_->FocusIndex();
    // The one-off functions are never stored as the operating mode.
    if (ModeItem() < kTerminalItem) params_.ProtocolVariant = ModeItem();
    params_.TrafficKind = std::max(cbVka_->currentIndex(), 0);
    params_.DataSync = std::max(cbDaAbg_->currentIndex(), 0);
    params_.Type17Option = std::max(cbUeb17_->currentIndex(), 0);
    params_.Scale8 = FieldNumber(*sfScale8_).value_or(params_.Scale8);
    params_.Scale11 = FieldNumber(*sfScale11_).value_or(params_.Scale11);
    params_.LogSize = FieldNumber(*sfMaxLog_).value_or(params_.LogSize);
    dataDirectory_ = edLogVerz_->text().trimmed().toStdString();
    QDialog::accept();
}

}  // namespace vadrix
