#include "gui/params/Q5PgStF.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>
#include <cmath>

#include "common/TextIds.h"
#include "gui/common/Form.h"
#include "gui/common/Help.h"
#include "gui/common/QtText.h"
#include "gui/editors/EditorForm.h"

namespace vadrix {

namespace {

constexpr int kHelpContext = 5500;
constexpr int kWidth = 460;
constexpr int kTopBelowMain = 54;
constexpr std::uint8_t kStationTypeBit = 0x08;

QString Tenths(double v) {
    return QString::number(v, 'f', 1);
}

}  // namespace

TfmPgSt::TfmPgSt(Context& ctx, const StationParamBlock& block, QWidget* mainWindow)
    : QDialog(mainWindow), ctx_(ctx), block_(block), stbarAlg_(new QStatusBar(this)) {
    setObjectName("TfmPgSt");
    setWindowTitle(QTxt(ctx_, txt::kStationParamsCaption));
    form_ = new EditorForm(ctx_, this, stbarAlg_);
    form_->onEscape = [this] { reject(); };
    auto field = [this](const char* name) { return NewEntryField(ctx_, this, name); };
    auto combo = [this](const char* name) {
        auto* c = new QComboBox(this);
        c->setObjectName(name);
        return c;
    };
    sfStation_ = field("sfStation");
    sfEBaud_ = field("sfEBaud");
    sfSBaud_ = field("sfSBaud");
    sfEMv_ = field("sfEMv");
    sfSMv_ = field("sfSMv");
    sfTol_ = field("sfTol");
    sfKUeb_ = field("sfKUeb");
    sfZUeb_ = field("sfZUeb");
    sfSByte_ = field("sfSByte");
    cbEHamm_ = combo("cbEHamm");
    cbSHamm_ = combo("cbSHamm");
    cbDf_ = combo("cbDf");
    MakeNumberField(ctx_, *sfStation_, 1, 255, 3);
    MakeNumberField(ctx_, *sfEBaud_, 50, 2400, 5);
    MakeNumberField(ctx_, *sfSBaud_, 50, 2400, 5);
    MakeDecimalField(ctx_, *sfEMv_, 2.2, 3.0, 5);
    MakeDecimalField(ctx_, *sfSMv_, 2.2, 3.0, 5);
    MakeNumberField(ctx_, *sfTol_, 1, 50, 2);
    MakeDecimalField(ctx_, *sfKUeb_, 0.1, 12.8, 6);
    MakeDecimalField(ctx_, *sfZUeb_, 0.1, 12.8, 6);
    MakeByteField(ctx_, *sfSByte_);
    connect(sfSByte_, &EntryField::accepted, this, &TfmPgSt::ShowStationType);

    form_->SetFieldLabel(*sfStation_, txt::kStationNumberLabel);
    form_->SetFieldLabel(*sfEBaud_, txt::kStationBaudLabel);
    form_->SetFieldLabel(*sfSBaud_, txt::kStationBaudLabel);
    form_->SetFieldLabel(*sfEMv_, txt::kStationModLabel);
    form_->SetFieldLabel(*sfSMv_, txt::kStationModLabel);
    form_->SetFieldLabel(*sfTol_, txt::kStationTolLabel);
    form_->SetFieldLabel(*sfKUeb_, txt::kFirstTimeLabel);
    form_->SetFieldLabel(*sfZUeb_, txt::kSecondTimeLabel);
    form_->SetFieldLabel(*sfSByte_, txt::kStatusByteLabel);
    auto* lblEHamm = new QLabel(this);
    auto* lblSHamm = new QLabel(this);
    auto* lblDf = new QLabel(this);
    form_->FillComboFromTexts(*cbEHamm_, lblEHamm, txt::kStationCheckList);
    form_->FillComboFromTexts(*cbSHamm_, lblSHamm, txt::kStationCheckList);
    form_->FillComboFromTexts(*cbDf_, lblDf, txt::kStationDfList);
    lblTyp_ = new QLabel(this);
    lblTyp_->setObjectName("lblTyp");

    // Station on top, then the receiver and the sender side by side.
    auto* root = new QVBoxLayout(this);
    auto* top = new QGridLayout;
    top->addWidget(sfStation_->label, 0, 0);
    top->addWidget(sfStation_, 0, 1);
    top->addWidget(lblTyp_, 0, 2, 1, 2);
    top->addWidget(sfSByte_->label, 1, 0);
    top->addWidget(sfSByte_, 1, 1);
    top->addWidget(sfTol_->label, 2, 0);
    top->addWidget(sfTol_, 2, 1);
    top->addWidget(lblDf, 2, 2);
    top->addWidget(cbDf_, 2, 3);
    top->addWidget(sfKUeb_->label, 3, 0);
    top->addWidget(sfKUeb_, 3, 1);
    top->addWidget(sfZUeb_->label, 3, 2);
    top->addWidget(sfZUeb_, 3, 3);
    auto* sides = new QLabel(QTxt(ctx_, txt::kReceiverLabel), this);
    auto* sender = new QLabel(QTxt(ctx_, txt::kTransmitterLabel), this);
    top->addWidget(sides, 4, 1);
    top->addWidget(sender, 4, 3);
    const std::pair<QWidget*, QWidget*> rows[] = {
        {sfEBaud_, sfSBaud_}, {sfEMv_, sfSMv_}, {cbEHamm_, cbSHamm_}};
    QLabel* rowLabels[] = {sfEBaud_->label, sfEMv_->label, lblEHamm};
    for (int i = 0; i < 3; ++i) {
        top->addWidget(rowLabels[i], 5 + i, 0);
        top->addWidget(rows[i].first, 5 + i, 1);
        top->addWidget(rows[i].second, 5 + i, 3);
    }
    for (QLabel* unused : {sfSBaud_->label, sfSMv_->label, lblSHamm}) unused->hide();
    root->addLayout(top);
    const DialogButtons buttons =
        AddDialogButtons(*this, *root, stbarAlg_, ctx_, txt::kButtonSave, kHelpContext);
    QPushButton* ok = buttons.ok;
    QPushButton* cancel = buttons.cancel;
    QPushButton* help = buttons.help;
    for (QWidget* w : std::initializer_list<QWidget*>{sfStation_, sfSByte_, sfTol_, cbDf_, sfKUeb_,
                                                      sfZUeb_, sfEBaud_, sfSBaud_, sfEMv_, sfSMv_,
                                                      cbEHamm_, cbSHamm_, ok, cancel, help})
        form_->AddControl(
            w, w->property("hint").isValid() ? w->property("hint").toInt() : txt::kGeneralHint);
    Fill();
    resize(kWidth, sizeHint().height());
    if (mainWindow) {
        const QRect frame = mainWindow->frameGeometry();
        move(frame.left() + (frame.width() - kWidth) / 2, frame.top() + kTopBelowMain);
    }
}

void TfmPgSt::Fill() {
    const StationParamValues v = StationParamsToValues(block_);
    sfStation_->setText(QString::number(v.station));
    sfEBaud_->setText(QString::number(v.rxBaud));
    sfSBaud_->setText(QString::number(v.txBaud));
    sfEMv_->setText(Tenths(v.rxMv));
    sfSMv_->setText(Tenths(v.txMv));
    sfTol_->setText(QString::number(v.tolerance));
    // A check code the device does not know shows as none chosen.
    cbEHamm_->setCurrentIndex(v.rxCheckIndex < cbEHamm_->count() ? v.rxCheckIndex : -1);
    cbSHamm_->setCurrentIndex(v.txCheckIndex < cbSHamm_->count() ? v.txCheckIndex : -1);
    cbDf_->setCurrentIndex(v.dfIndex);
    sfKUeb_->setText(Tenths(v.firstTime));
    sfZUeb_->setText(Tenths(v.secondTime));
    sfSByte_->setText(BitText(ctx_, v.statusByte));
    ShowStationType();
}

void TfmPgSt::ShowStationType() {
    const std::uint8_t status = FieldByte(ctx_, *sfSByte_).value_or(0);
    lblTyp_->setText(QTxt(ctx_, txt::kStationTypeLabel) + QTxt(ctx_, (status & kStationTypeBit)
                                                                         ? txt::kStationTypeB
                                                                         : txt::kStationTypeA));
}

void TfmPgSt::accept() {
    if (!form_->AllValid()) return;
    StationParamValues v;
    v.station = FieldNumber(*sfStation_).value_or(1);
    v.rxBaud = FieldNumber(*sfEBaud_).value_or(50);
    v.txBaud = FieldNumber(*sfSBaud_).value_or(50);
    v.rxMv = FieldDecimal(*sfEMv_).value_or(2.2);
    v.txMv = FieldDecimal(*sfSMv_).value_or(2.2);
    v.tolerance = FieldNumber(*sfTol_).value_or(1);
    v.rxCheckIndex = cbEHamm_->currentIndex();
    v.txCheckIndex = cbSHamm_->currentIndex();
    v.dfIndex = std::max(cbDf_->currentIndex(), 0);
    v.firstTime = FieldDecimal(*sfKUeb_).value_or(0.1);
    v.secondTime = FieldDecimal(*sfZUeb_).value_or(0.1);
    v.statusByte = FieldByte(ctx_, *sfSByte_).value_or(0);
    StationParamsFromValues(v, block_);
    QDialog::accept();
}

bool EditStationParameters(Context& ctx, StationParamBlock& block, QWidget* mainWindow) {
    TfmPgSt dialog(ctx, block, mainWindow);
    if (dialog.exec() != QDialog::Accepted) return false;
    block = dialog.Block();
    return true;
}

}  // namespace vadrix
