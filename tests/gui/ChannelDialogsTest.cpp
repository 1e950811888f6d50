// The channel dialogs driven through their widgets: every page of TfmCom and TfmPdm gives a
// random block back unchanged, the station field refuses what is out of range, Cancel asks
// after a change, the port list leaves out the other channel's port and names the devices,
// the lock time is proposed from rate and modulation, and a new bit rate reaches an open
// pseudo-terminal once the channel has taken its new parameters.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <charconv>
#include <cstring>
#include <random>

#include "../runtime/SerialPtyPair.h"
#include "GuiApp.h"
#include "app/ChannelChange.h"
#include "app/Language.h"
#include "channel/Channel.h"
#include "channel/PortTable.h"
#include "common/TextIds.h"
#include "gui/common/Form.h"
#include "gui/params/Q5ComF.h"
#include "gui/params/Q5PdmF.h"
#include "params/ChannelParams.h"
#include "runtime/SerialLine.h"
#include "runtime/TermiosSerialPort.h"
#include "support/EngineRig.h"

namespace vadrix::testing {
namespace {

class ChannelDialogsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ctx().run.ProgramDirectory = std::filesystem::path(VADRIX_SOURCE_DIR) / "lang";
        ctx().settings.Language = 1;
        ASSERT_TRUE(LoadTextTable(ctx()));
        ctx().settings.Options[TSettings::kOptPortDialog] = 1;
        ctx().run.PresentPorts = {1, 2, 3, 5};
        table.Set(3, "/dev/ttyUSB0");
        rig.Configure();
    }
    Context& ctx() { return *rig.tc; }
    int Count(int list) {
        const std::string_view s = ctx().Txt(list + 1);
        int n = 0;
        std::from_chars(s.data(), s.data() + s.size(), n);
        return n;
    }
    // A block with every edited field at a random value the dialogs offer.
    TChannelBlock RandomBlock(std::mt19937& rng) {
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        auto index = [&](int list) { return pick(0, Count(list) - 1); };
        TChannelBlock b;
        const std::uint32_t ports[] = {0, 1, 3, 5};  // port 2 is the other channel's
        b.ComNumber = ports[pick(0, 3)];
        b.Function = static_cast<std::uint32_t>(index(txt::kFunctionList));
        b.ClassPollCount = pick(0, 14);
        std::vector<std::uint16_t> stations;
        for (int i = pick(0, 15); i > 0; --i)
            stations.push_back(static_cast<std::uint16_t>(pick(1, 127)));
        StoreStations(b, stations, ctx().run.NoStation);
        b.CycleSeconds = pick(0, 1000000);
        for (std::uint32_t& a : b.AddrBytes)
            a = static_cast<std::uint32_t>(index(txt::kAddrBytesList));
        b.SpikeFilter = static_cast<std::uint8_t>(index(txt::kSpikeList));
        b.BaudIndex = static_cast<std::uint32_t>(pick(0, 13));
        const std::string_view rate = ctx().Txt(txt::kBaudListBase + static_cast<int>(b.BaudIndex));
        std::from_chars(rate.data(), rate.data() + rate.size(), b.Baud);
        b.Parity = static_cast<std::uint8_t>(index(txt::kParityList));
        b.DataBits = static_cast<std::uint8_t>(pick(5, 8));
        b.StopBits = static_cast<std::uint8_t>(pick(1, 2));
        b.LockTimeMs = pick(0, 10000);
        b.RtsFunction = static_cast<std::uint8_t>(index(txt::kRtsFunctionList));
        b.RtsLeadMs = pick(0, 65535);
        b.RtsLagMs = pick(0, 65535);
        for (TLineParams& l : b.Line) {
            l.BitRate = pick(25, 2400);
            l.Mv = index(txt::kModulationList);
            l.CheckCode = static_cast<std::uint32_t>(index(txt::kCheckCodeList));
            l.SpPl = index(txt::kLockLevelList);
            l.SpZt = pick(1, 100000);
            l.Tol = pick(0, 50);
            l.Df = pick(0, 50);
        }
        return b;
    }
    static void Click(QWidget* w, const char* button) {
        QTest::mouseClick(w->findChild<QPushButton*>(button), Qt::LeftButton);
    }
    template <typename Dialog>
    void RoundTrip(int variant, int seed) {
        ctx().general.ProtocolVariant = variant;
        std::mt19937 rng(static_cast<unsigned>(seed));
        for (int i = 0; i < 20; ++i) {
            TEmSe& ch = i % 2 == 0 ? ctx().emse1 : ctx().emse2;
            ctx().emse1.P.ComNumber = 2;
            ctx().emse2.P.ComNumber = 2;
            const TChannelBlock original = RandomBlock(rng);
            ch.P = original;
            Dialog d(ctx(), ch, nullptr, &table);
            d.show();
            for (int p = 0; p < d.Pages()->count(); ++p) d.Pages()->setCurrentIndex(p);
            Click(&d, "btnOK");
            ASSERT_EQ(d.result(), QDialog::Accepted) << "block " << i;
            TChannelBlock back = d.Block();
            // What the dialog stores of itself: the page and the control shown last.
            back.ComPage = original.ComPage;
            back.ComFocusIndex = original.ComFocusIndex;
            back.PdmPage = original.PdmPage;
            back.PdmFocusIndex = original.PdmFocusIndex;
            EXPECT_EQ(std::memcmp(&back, &original, sizeof back), 0) << "block " << i;
        }
    }

    QApplication& app = GuiApp();
    EngineRig rig;
    PortTable table;
};

TEST_F(ChannelDialogsTest, EveryPageOfTfmComGivesARandomBlockBackUnchanged) {
    RoundTrip<TfmCom>(2, 71);
}

TEST_F(ChannelDialogsTest, EveryPageOfTfmPdmGivesARandomBlockBackUnchanged) {
    RoundTrip<TfmPdm>(0, 72);
}

TEST_F(ChannelDialogsTest, AStationOutOfRangeIsRefusedAndCancelAsksAfterAChange) {
    ctx().general.ProtocolVariant = 2;
    const TChannelBlock before = ctx().emse1.P;
    TfmCom d(ctx(), ctx().emse1, nullptr, &table);
    d.show();
    auto* stations = d.findChild<EntryField*>("sfStNr");
    stations->setText("5,7 9 127 200");
    Click(&d, "btnOK");
    EXPECT_NE(d.result(), QDialog::Accepted);
    EXPECT_TRUE(stations->InError());
    ASSERT_FALSE(rig.tc.ui.messages.empty());
    EXPECT_EQ(rig.tc.ui.messages.back().text, ctx().Txt(txt::kFieldInvalid));

    rig.tc.ui.answers = {MessageResult::kNo};
    Click(&d, "btnAbbr");
    EXPECT_TRUE(d.isVisible());  // No keeps the dialog
    EXPECT_EQ(rig.tc.ui.messages.back().text, ctx().Txt(txt::kAskDiscardChanges));
    rig.tc.ui.answers = {MessageResult::kYes};
    QTest::keyClick(stations, Qt::Key_Escape);
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(std::memcmp(&before, &ctx().emse1.P, sizeof before), 0);

    // Unchanged, Cancel closes at once.
    const std::size_t asked = rig.tc.ui.messages.size();
    TfmCom again(ctx(), ctx().emse1, nullptr, &table);
    again.show();
    Click(&again, "btnAbbr");
    EXPECT_EQ(again.result(), QDialog::Rejected);
    EXPECT_EQ(rig.tc.ui.messages.size(), asked);
}

TEST_F(ChannelDialogsTest, PortListLeavesOutTheOtherChannelsPortAndNamesDevices) {
    ctx().general.ProtocolVariant = 2;
    ctx().emse2.P.ComNumber = 3;
    ctx().emse1.P.ComNumber = 5;
    TfmCom d(ctx(), ctx().emse1, nullptr, &table);
    auto* ports = d.findChild<QComboBox*>("cbCom");
    QStringList items;
    for (int i = 0; i < ports->count(); ++i) items << ports->itemText(i);
    EXPECT_EQ(items, (QStringList{"no port", "Port 1", "Port 2", "Port 5"}));
    EXPECT_EQ(ports->currentText(), "Port 5");
    ctx().emse2.P.ComNumber = 1;
    TfmCom e(ctx(), ctx().emse1, nullptr, &table);
    EXPECT_TRUE(e.findChild<QComboBox*>("cbCom")->itemText(2).endsWith("(/dev/ttyUSB0)"));
    // The modem check list: its first item selected while it has the focus.
    e.show();
    e.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&e));
    auto* watch = e.findChild<QListWidget*>("chlbAend");
    watch->setFocus();
    EXPECT_EQ(watch->selectedItems().size(), 1);
    e.findChild<QComboBox*>("cbFktn")->setFocus();
    EXPECT_TRUE(watch->selectedItems().isEmpty());

    // Without other character formats allowed: 8 data bits and 1 stop bit, fixed.
    ctx().settings.Options[TSettings::kOptPortDialog] = 0;
    ctx().emse1.P.DataBits = 7;
    TfmCom fixed(ctx(), ctx().emse1, nullptr, &table);
    EXPECT_EQ(fixed.findChild<QComboBox*>("cbData")->currentIndex(), 3);
    EXPECT_FALSE(fixed.findChild<QComboBox*>("cbData")->isEnabled());
    EXPECT_FALSE(fixed.findChild<QComboBox*>("cbStop")->isEnabled());
}

TEST_F(ChannelDialogsTest, RateAndModulationProposeTheLockTime) {
    ctx().general.ProtocolVariant = 1;
    TfmPdm d(ctx(), ctx().emse1, nullptr, &table);
    d.show();
    d.Pages()->setCurrentIndex(2);  // the sender
    auto* rate = d.findChild<EntryField*>("sfSeBaud");
    auto* mv = d.findChild<QComboBox*>("cbSeMv");
    auto* lock = d.findChild<EntryField*>("sfSeSpZt");
    mv->setCurrentIndex(0);
    rate->setFocus();
    rate->selectAll();
    QTest::keyClicks(rate, "50");
    EXPECT_EQ(lock->text(), QString::number(LockTime(0, 50, 1)));
    EXPECT_EQ(lock->text(), "121");
    d.Pages()->setCurrentIndex(1);  // receiver 1: one less
    auto* rate1 = d.findChild<EntryField*>("sfE1Baud");
    rate1->setFocus();
    rate1->selectAll();
    QTest::keyClicks(rate1, "200");
    d.findChild<QComboBox*>("cbE1Mv")->setCurrentIndex(1);
    EXPECT_EQ(d.findChild<EntryField*>("sfE1SpZt")->text(), QString::number(LockTime(1, 200, -1)));
    // The rate is limited to 25..2400.
    rate1->selectAll();
    QTest::keyClicks(rate1, "9");
    Click(&d, "btnOK");
    EXPECT_NE(d.result(), QDialog::Accepted);
}

TEST_F(ChannelDialogsTest, ANewBitRateReachesTheOpenPseudoTerminal) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    PortTable ports;
    ports.Set(4, pty.device());
    TermiosSerialPort port(ports);
    Context& c = ctx();
    c.general.ProtocolVariant = 2;
    c.emse1.P.ComNumber = 4;
    c.emse1.P.BaudIndex = 8;  // 9600
    c.emse1.P.Baud = 9600;
    c.emse2.P.ComNumber = 0;
    BindChannel(c, c.emse1, port);
    c.run.PresentPorts = {4};
    rig.engine.SetOnline(true);
    ASSERT_EQ(c.emse1.PortOpen, 1);

    TfmCom d(c, c.emse1, nullptr, &ports);
    d.show();
    d.findChild<QComboBox*>("cbBaud")->setCurrentIndex(10);  // 19200
    Click(&d, "btnOK");
    ASSERT_EQ(d.result(), QDialog::Accepted);
    int waited = 0;
    ChangeChannelParameters(c, rig.engine, c.emse1, d.Block(), [&](int ms) { waited = ms; });
    EXPECT_EQ(waited, 176000 / 9600 + 500);
    EXPECT_EQ(c.emse1.P.Baud, 19200);
    ASSERT_EQ(c.emse1.PortOpen, 1);
    // The device side of the pseudo-terminal carries the new rate.
    const int fd = ::open(pty.device().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    SerialSettings now;
    ASSERT_EQ(serial_line::ReadSettings(fd, now), 0);
    EXPECT_EQ(now.baud, 19200);
    ::close(fd);
    rig.engine.SetOnline(false);
}

}  // namespace
}  // namespace vadrix::testing
