#include "gui/params/Q5ComF.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <charconv>

#include "common/TextIds.h"
#include "common/TextTable.h"
#include "gui/common/Form.h"
#include "gui/common/QtText.h"

namespace vadrix {

namespace {

constexpr int kMinDataBits = 5;

void Choose(QComboBox* c, int i) {
    c->setCurrentIndex(i >= 0 && i < c->count() ? i : 0);
}

int Chosen(const QComboBox* c) {
    return std::max(c->currentIndex(), 0);
}

}  // namespace

TfmCom::TfmCom(Context& ctx, TEmSe& ch, QWidget* mainWindow, const PortTable* ports)
    : ChannelDialog(ctx, ch, mainWindow, ports) {
    setObjectName("TfmCom");
    QGridLayout* function = AddPage(txt::kComPage1, "tabshPage1");
    QGridLayout* port = AddPage(txt::kComPage2, "tabshPage2");
    BuildCommon(port, txt::kPortLabel, function);

    auto combo = [this](QGridLayout* grid, const char* name, int list) {
        QComboBox* c = NewCombo(name);
        QLabel* label = NewLabel();
        form_->FillComboFromTexts(*c, label, list);
        Row(grid, grid->rowCount(), label, c);
        return c;
    };
    cbEmStVh_ = combo(function, "cbEmStVh", txt::kRxAddrBytesList);
    cbSeStVh_ = combo(function, "cbSeStVh", txt::kTxAddrBytesList);
    cbSpikes_ = combo(function, "cbSpikes", txt::kSpikeList);
    // The modem signals to watch: offered, but not kept in the channel's parameters.
    chlbAend_ = new QListWidget(this);
    chlbAend_->setObjectName("chlbAend");
    for (const std::string& item : ParseCommaText(ctx_.Txt(txt::kModemWatchItems))) {
        auto* i = new QListWidgetItem(FromCp1252(item), chlbAend_);
        i->setFlags(i->flags() | Qt::ItemIsUserCheckable);
        i->setCheckState(Qt::Unchecked);
    }
    chlbAend_->setMaximumHeight(70);
    auto* watch = NewLabel();
    watch->setText(QTxt(ctx_, txt::kModemWatchLabel));
    Row(function, function->rowCount(), watch, chlbAend_);
    // Entering the list selects its first item; leaving it takes the selection away.
    form_->onEnter = [this](QWidget* w) {
        if (w == chlbAend_ && chlbAend_->count() > 0) chlbAend_->setCurrentRow(0);
    };
    form_->onLeave = [this](QWidget* w) {
        if (w == chlbAend_) chlbAend_->clearSelection();
    };

    cbBaud_ = combo(port, "cbBaud", txt::kBaudList);
    cbPari_ = combo(port, "cbPari", txt::kParityList);
    cbData_ = combo(port, "cbData", txt::kDataBitsList);
    cbStop_ = combo(port, "cbStop", txt::kStopBitsList);
    edSpZt_ = NewField("edSpZt", 0, 10000, 5);
    form_->SetFieldLabel(*edSpZt_, txt::kLockTimeLabel);
    Row(port, port->rowCount(), edSpZt_->label, edSpZt_);
    // The RTS handling is kept in the block but not offered: its controls stay hidden.
    cbFRts_ = NewCombo("cbFRts");
    QLabel* rtsLabel = NewLabel();
    form_->FillComboFromTexts(*cbFRts_, rtsLabel, txt::kRtsFunctionList);
    edTVor_ = NewField("edTVor", 0, 65535, 5);
    form_->SetFieldLabel(*edTVor_, txt::kRtsLeadLabel);
    edTNach_ = NewField("edTNach", 0, 65535, 5);
    form_->SetFieldLabel(*edTNach_, txt::kRtsLagLabel);
    for (QWidget* w : std::initializer_list<QWidget*>{cbFRts_, rtsLabel, edTVor_, edTVor_->label,
                                                      edTNach_, edTNach_->label})
        w->hide();
    port->setRowStretch(port->rowCount(), 1);
    function->setRowStretch(function->rowCount(), 1);

    // Only with other character formats allowed may data and stop bits differ from 8 and 1.
    if (!ctx_.settings.Option(TSettings::kOptPortDialog)) {
        block_.DataBits = 8;
        block_.StopBits = 1;
        cbData_->setEnabled(false);
        cbStop_->setEnabled(false);
    }
    Finish({findChild<QComboBox*>("cbFktn"), findChild<QComboBox*>("cbList"),
            findChild<EntryField*>("sfStNr"), findChild<EntryField*>("sfZykPt"), cbEmStVh_,
            cbSeStVh_, cbSpikes_, chlbAend_, findChild<QComboBox*>("cbCom"), cbBaud_, cbPari_,
            cbData_, cbStop_, edSpZt_, cbFRts_, edTVor_, edTNach_});
    Show(block_.ComPage, block_.ComFocusIndex);
}

void TfmCom::Fill() {
    ChannelDialog::Fill();
    Choose(cbEmStVh_, static_cast<int>(block_.AddrBytes[ch_.RxSource - 1]));
    Choose(cbSeStVh_, static_cast<int>(block_.AddrBytes[ch_.TxSource - 1]));
    Choose(cbSpikes_, block_.SpikeFilter);
    Choose(cbBaud_, static_cast<int>(block_.BaudIndex));
    Choose(cbPari_, block_.Parity);
    Choose(cbData_, block_.DataBits - kMinDataBits);
    Choose(cbStop_, block_.StopBits - 1);
    edSpZt_->setText(QString::number(block_.LockTimeMs));
    Choose(cbFRts_, block_.RtsFunction);
    edTVor_->setText(QString::number(block_.RtsLeadMs));
    edTNach_->setText(QString::number(block_.RtsLagMs));
}

void TfmCom::Read(TChannelBlock& b) const {
    ChannelDialog::Read(b);
    b.AddrBytes[ch_.RxSource - 1] = static_cast<std::uint32_t>(Chosen(cbEmStVh_));
    b.AddrBytes[ch_.TxSource - 1] = static_cast<std::uint32_t>(Chosen(cbSeStVh_));
    b.SpikeFilter = static_cast<std::uint8_t>(Chosen(cbSpikes_));
    b.BaudIndex = static_cast<std::uint32_t>(Chosen(cbBaud_));
    // The bit rate is the number the chosen list item shows.
    const std::string_view rate = ctx_.Txt(txt::kBaudListBase + static_cast<int>(b.BaudIndex));
    int baud = 0;
    std::from_chars(rate.data(), rate.data() + rate.size(), baud);
    b.Baud = baud;
    b.Parity = static_cast<std::uint8_t>(Chosen(cbPari_));
    b.DataBits = static_cast<std::uint8_t>(Chosen(cbData_) + kMinDataBits);
    b.StopBits = static_cast<std::uint8_t>(Chosen(cbStop_) + 1);
    b.LockTimeMs = FieldNumber(*edSpZt_).value_or(b.LockTimeMs);
    b.RtsFunction = static_cast<std::uint8_t>(Chosen(cbFRts_));
    b.RtsLeadMs = FieldNumber(*edTVor_).value_or(b.RtsLeadMs);
    b.RtsLagMs = FieldNumber(*edTNach_).value_or(b.RtsLagMs);
}

}  // namespace vadrix
