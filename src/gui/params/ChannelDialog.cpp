#include "gui/params/ChannelDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cstring>

#include "channel/PortTable.h"
#include "common/TextIds.h"
#include "gui/common/Form.h"
#include "gui/common/Help.h"
#include "gui/common/QtText.h"
#include "params/ChannelParams.h"

namespace vadrix {

namespace {

constexpr int kHelpContext = 5400;
constexpr int kWidth = 460;
constexpr int kClassPollItems = 14;  // after "none"

// The blocks compared for the question at Cancel: the page and focus fields do not count.
bool SameParameters(TChannelBlock a, TChannelBlock b) {
    a.ComPage = b.ComPage;
    a.ComFocusIndex = b.ComFocusIndex;
    a.PdmPage = b.PdmPage;
    a.PdmFocusIndex = b.PdmFocusIndex;
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

ChannelDialog::ChannelDialog(Context& ctx, TEmSe& ch, QWidget* mainWindow, const PortTable* ports)
    : QDialog(mainWindow),
      ctx_(ctx),
      ch_(ch),
      block_(ch.P),
      ports_(ports),
      pages_(new QTabWidget(this)),
      status_(new QStatusBar(this)) {
    setWindowTitle(QTxt(ctx_, &ch == &ctx.emse1 ? txt::kComCaption1 : txt::kComCaption2));
    auto* root = new QVBoxLayout(this);
    root->addWidget(pages_);
    form_ = new EditorForm(ctx_, this, status_);
    form_->onEscape = [this] { reject(); };
    resize(kWidth, sizeHint().height());
    move(EditorPosition(mainWindow, kWidth));
}

QGridLayout* ChannelDialog::AddPage(int text, const char* name) {
    auto* page = new QWidget(pages_);
    page->setObjectName(name);
    auto* grid = new QGridLayout(page);
    grid->setColumnStretch(1, 1);
    pages_->addTab(page, QTxt(ctx_, text));
    return grid;
}

EntryField* ChannelDialog::NewField(const char* name, int lo, int hi, int digits) {
    EntryField* f = NewEntryField(ctx_, this, name);
    MakeNumberField(ctx_, *f, lo, hi, digits);
    return f;
}

QComboBox* ChannelDialog::NewCombo(const char* name) {
    auto* c = new QComboBox(this);
    c->setObjectName(name);
    return c;
}

QLabel* ChannelDialog::NewLabel() {
    return new QLabel(this);
}

void ChannelDialog::Row(QGridLayout* grid, int row, QWidget* label, QWidget* field) {
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
}

void ChannelDialog::BuildCommon(QGridLayout* portPage, int portLabel, QGridLayout* functionPage) {
    cbCom_ = NewCombo("cbCom");
    lblCom_ = NewLabel();
    lblCom_->setText(QTxt(ctx_, portLabel));
    form_->SetHint(cbCom_, portLabel + 1);
    Row(portPage, portPage->rowCount(), lblCom_, cbCom_);

    cbFktn_ = NewCombo("cbFktn");
    lblFktn_ = NewLabel();
    form_->FillComboFromTexts(*cbFktn_, lblFktn_, txt::kFunctionList);
    cbList_ = NewCombo("cbList");
    lblList_ = NewLabel();
    FillClassPolls();
    // The stations and the cycle name what the traffic kind polls.
    const bool polled = ctx_.general.TrafficKind != 0;
    sfStNr_ = NewField("sfStNr", 0, 0, 64);
    sfStNr_->SetCheck([this](const QString& text) -> std::optional<std::string> {
        const StationTextResult r =
            ParseStationText(Utf8ToCp1252(text.toStdString()), ctx_.run.NumberExtraChar,
                             ctx_.run.MaxStation, ctx_.run.NoStation);
        if (r.valid) return std::nullopt;
        return std::string(ctx_.Txt(txt::kFieldInvalid));
    });
    form_->SetFieldLabel(*sfStNr_, polled ? txt::kPolledStationsLabel : txt::kStationsLabel);
    sfZykPt_ = NewField("sfZykPt", 0, 1000000, 7);
    form_->SetFieldLabel(*sfZykPt_, polled ? txt::kInterrogationLabel : txt::kCycleTimeLabel);
    const int first = functionPage->rowCount();
    Row(functionPage, first, lblFktn_, cbFktn_);
    Row(functionPage, first + 1, lblList_, cbList_);
    Row(functionPage, first + 2, sfStNr_->label, sfStNr_);
    Row(functionPage, first + 3, sfZykPt_->label, sfZykPt_);
}

void ChannelDialog::FillClassPolls() {
    lblList_->setText(QTxt(ctx_, txt::kClassPollLabel));
    cbList_->addItem(QTxt(ctx_, txt::kClassPollNone));
    for (int i = 0; i < kClassPollItems; ++i)
        cbList_->addItem(QTxt(ctx_, txt::kClassPollItemBase + i));
    form_->SetHint(cbList_, txt::kGeneralHint);
}

void ChannelDialog::FillPorts() {
    const TEmSe& other = &ch_ == &ctx_.emse1 ? ctx_.emse2 : ctx_.emse1;
    const std::vector<std::string> items =
        PortListItems(ctx_.Txt(txt::kNoPortItem), ctx_.Txt(txt::kPortItemPrefix),
                      ctx_.run.PresentPorts, other.P.ComNumber);
    cbCom_->clear();
    for (const std::string& item : items) {
        const std::uint32_t port = ComNumberFromItem(item);
        QString text = FromCp1252(item);
        // The device behind the number, so that users find their adapter.
        if (port != 0 && ports_) {
            const std::string device = ports_->DeviceOf(static_cast<int>(port));
            if (!device.empty()) text += "  (" + QString::fromStdString(device) + ")";
        }
        cbCom_->addItem(text, port);
        if (port == block_.ComNumber) cbCom_->setCurrentIndex(cbCom_->count() - 1);
    }
}

void ChannelDialog::Finish(const std::vector<QWidget*>& order) {
    auto* root = static_cast<QVBoxLayout*>(layout());
    const DialogButtons buttons =
        AddDialogButtons(*this, *root, status_, ctx_, txt::kButtonOk, kHelpContext);
    QPushButton* ok = buttons.ok;
    QPushButton* cancel = buttons.cancel;
    QPushButton* help = buttons.help;
    for (QWidget* w : order)
        form_->AddControl(
            w, w->property("hint").isValid() ? w->property("hint").toInt() : txt::kGeneralHint);
    for (QWidget* w :
         {static_cast<QWidget*>(ok), static_cast<QWidget*>(cancel), static_cast<QWidget*>(help)})
        form_->AddControl(w, txt::kGeneralHint);
}

void ChannelDialog::Show(int& pageField, int& focusField) {
    pageField_ = &pageField;
    focusField_ = &focusField;
    filling_ = true;
    Fill();
    filling_ = false;
    pages_->setCurrentIndex(std::clamp(pageField, 0, pages_->count() - 1));
    const int focus = focusField;
    QTimer::singleShot(0, this, [this, focus] { form_->FocusControl(focus); });
}

void ChannelDialog::Fill() {
    FillPorts();
    cbFktn_->setCurrentIndex(static_cast<int>(block_.Function) < cbFktn_->count()
                                 ? static_cast<int>(block_.Function)
                                 : 0);
    cbList_->setCurrentIndex(std::clamp(block_.ClassPollCount, 0, cbList_->count() - 1));
    sfStNr_->setText(FromCp1252(FormatStationText(block_)));
    const bool polled = ctx_.general.TrafficKind != 0;
    sfZykPt_->setText(QString::number(polled ? block_.InterrogationPeriodMs : block_.CycleSeconds));
}

void ChannelDialog::Read(TChannelBlock& b) const {
    b.ComNumber = cbCom_->currentData().toUInt();
    b.Function = static_cast<std::uint32_t>(std::max(cbFktn_->currentIndex(), 0));
    b.ClassPollCount = std::max(cbList_->currentIndex(), 0);
    const StationTextResult r =
        ParseStationText(Utf8ToCp1252(sfStNr_->text().toStdString()), ctx_.run.NumberExtraChar,
                         ctx_.run.MaxStation, ctx_.run.NoStation);
    StoreStations(b, r.stations, ctx_.run.NoStation);
    const int cycle = FieldNumber(*sfZykPt_).value_or(0);
    (ctx_.general.TrafficKind != 0 ? b.InterrogationPeriodMs : b.CycleSeconds) = cycle;
}

void ChannelDialog::accept() {
    if (!form_->AllValid()) return;
    Read(block_);
    if (pageField_) *pageField_ = pages_->currentIndex();
    if (focusField_) *focusField_ = form_->FocusIndex();
    // The page and focus fields belong to the block the dialog leaves.
    QDialog::accept();
}

void ChannelDialog::reject() {
    TChannelBlock now = block_;
    Read(now);
    if (!SameParameters(now, block_) && !AskYesNo(ctx_, txt::kAskDiscardChanges)) return;
    QDialog::reject();
}

}  // namespace vadrix
