#include "gui/params/Q5PdmF.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

#include "common/TextIds.h"
#include "gui/common/Form.h"
#include "gui/common/QtText.h"
#include "params/ChannelParams.h"

namespace vadrix {

namespace {

void Choose(QComboBox* c, int i) {
    c->setCurrentIndex(i >= 0 && i < c->count() ? i : 0);
}

int Chosen(const QComboBox* c) {
    return std::max(c->currentIndex(), 0);
}

}  // namespace

TfmPdm::TfmPdm(Context& ctx, TEmSe& ch, QWidget* mainWindow, const PortTable* ports)
    : ChannelDialog(ctx, ch, mainWindow, ports) {
    setObjectName("TfmPdm");
    QGridLayout* function = AddPage(txt::kPdmPageFunction, "tsFkt");
    BuildCommon(function, txt::kDevicePortLabel, function);
    function->setRowStretch(function->rowCount(), 1);
    BuildLine(0, txt::kPdmPageReceiver1, "tsEmpf1", "E1", true);
    BuildLine(1, txt::kPdmPageSender, "tsSend", "Se", false);
    BuildLine(2, txt::kPdmPageReceiver2, "tsEmpf2", "E2", true);

    std::vector<QWidget*> order{findChild<QComboBox*>("cbCom"), findChild<QComboBox*>("cbFktn"),
                                findChild<QComboBox*>("cbList"), findChild<EntryField*>("sfStNr"),
                                findChild<EntryField*>("sfZykPt")};
    for (const LinePage& p : lines_)
        for (QWidget* w : std::initializer_list<QWidget*>{p.baud, p.mv, p.hd, p.stVh, p.spPl,
                                                          p.spZt, p.tol, p.df})
            if (w) order.push_back(w);
    Finish(order);
    Show(block_.PdmPage, block_.PdmFocusIndex);
}

void TfmPdm::BuildLine(int line, int pageText, const char* page, const char* prefix,
                       bool receiver) {
    QGridLayout* grid = AddPage(pageText, page);
    LinePage& p = lines_[static_cast<std::size_t>(line)];
    const auto name = [prefix](const char* kind, const char* field) {
        return QString("%1%2%3").arg(kind, prefix, field).toLatin1();
    };
    auto field = [&](const char* f, int lo, int hi, int digits, int label) {
        EntryField* e = NewField(name("sf", f).constData(), lo, hi, digits);
        form_->SetFieldLabel(*e, label);
        Row(grid, grid->rowCount(), e->label, e);
        return e;
    };
    auto combo = [&](const char* f, int list) {
        QComboBox* c = NewCombo(name("cb", f).constData());
        QLabel* label = NewLabel();
        form_->FillComboFromTexts(*c, label, list);
        Row(grid, grid->rowCount(), label, c);
        return c;
    };
    p.baud = field("Baud", 25, 2400, 4, txt::kBitRateLabel);
    p.mv = combo("Mv", txt::kModulationList);
    p.hd = combo("Hd", txt::kCheckCodeList);
    p.stVh = combo("StVh", txt::kAddrBytesList);
    p.spPl = combo("SpPl", txt::kLockLevelList);
    p.spZt = field("SpZt", 1, 100000, 6, txt::kLineLockTimeLabel);
    if (receiver) {
        p.tol = field("Tol", 0, 50, 2, txt::kToleranceLabel);
        p.df = field("Df", 0, 50, 2, txt::kDfLabel);
    }
    p.adjust = receiver ? -1 : 1;
    grid->setRowStretch(grid->rowCount(), 1);
    // A new rate or modulation proposes the lock time; the user may overwrite it.
    connect(p.baud, &QLineEdit::textEdited, this, [this, line] { ProposeLockTime(lines_[line]); });
    connect(p.mv, &QComboBox::currentIndexChanged, this,
            [this, line] { ProposeLockTime(lines_[line]); });
}

void TfmPdm::ProposeLockTime(const LinePage& p) {
    if (filling_) return;
    const auto rate = FieldNumber(*p.baud);
    if (!rate) return;
    p.spZt->setText(QString::number(LockTime(Chosen(p.mv), *rate, p.adjust)));
}

void TfmPdm::Fill() {
    ChannelDialog::Fill();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const LinePage& p = lines_[i];
        const TLineParams& l = block_.Line[i];
        p.baud->setText(QString::number(l.BitRate));
        Choose(p.mv, l.Mv);
        Choose(p.hd, static_cast<int>(l.CheckCode));
        Choose(p.stVh, static_cast<int>(block_.AddrBytes[i]));
        Choose(p.spPl, l.SpPl);
        p.spZt->setText(QString::number(l.SpZt));
        if (p.tol) p.tol->setText(QString::number(l.Tol));
        if (p.df) p.df->setText(QString::number(l.Df));
    }
}

void TfmPdm::Read(TChannelBlock& b) const {
    ChannelDialog::Read(b);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const LinePage& p = lines_[i];
        TLineParams& l = b.Line[i];
        l.BitRate = FieldNumber(*p.baud).value_or(l.BitRate);
        l.Mv = Chosen(p.mv);
        l.CheckCode = static_cast<std::uint32_t>(Chosen(p.hd));
        b.AddrBytes[i] = static_cast<std::uint32_t>(Chosen(p.stVh));
        l.SpPl = Chosen(p.spPl);
        l.SpZt = FieldNumber(*p.spZt).value_or(l.SpZt);
        if (p.tol) l.Tol = FieldNumber(*p.tol).value_or(l.Tol);
        if (p.df) l.Df = FieldNumber(*p.df).value_or(l.Df);
    }
}

}  // namespace vadrix
