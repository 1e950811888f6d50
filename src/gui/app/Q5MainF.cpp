#include "gui/app/Q5MainF.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "app/ChannelChange.h"
#include "app/Engine.h"
#include "app/GeneralChange.h"
#include "app/Language.h"
#include "app/ProgramStart.h"
#include "app/StatusDisplay.h"
#include "common/TextFormat.h"
#include "common/TextIds.h"
#include "editors/SendControl.h"
#include "filters/Filter.h"
#include "gui/app/MainImages.h"
#include "gui/app/Q5StatusBar.h"
#include "gui/app/Q5StatusTable.h"
#include "gui/common/Dialogs.h"
#include "gui/common/Help.h"
#include "gui/common/QtText.h"
#include "gui/dialogs/Q5AlgF.h"
#include "gui/dialogs/Q5FarbF.h"
#include "gui/dialogs/Q5FltF.h"
#include "gui/dialogs/Q5InfoF.h"
#include "gui/dialogs/Q5LnkF.h"
#include "gui/dialogs/Q5OptF.h"
#include "gui/dialogs/Q5SyBeF.h"
#include "gui/editors/SendEditors.h"
#include "gui/log/Q5DruF.h"
#include "gui/log/Q5LogView.h"
#include "gui/params/Q5ComF.h"
#include "gui/params/Q5PdmF.h"
#include "gui/programming/Q5PgF.h"
#include "interpret/Descriptions.h"
#include "log/SendFile.h"
#include "runtime/PortScan.h"
#include "transmit/InterfaceTelegrams.h"

namespace vadrix {
namespace {

constexpr char kTextProperty[] = "textId";
constexpr int kMinWidth = 500;
constexpr int kMinHeight = 304;
// The first start, before a placement was stored.
constexpr int kDefaultWidth = 960;
constexpr int kDefaultHeight = 640;

// The option flag (1..9) that enables a group of shortcut keys.
enum OptionFlag {
    kOptOnline = 1,
    kOptDisplay = 2,
    kOptFilterToggle = 3,
    kOptFilter = 4,
    kOptEditTelegram = 5,
    kOptSendTelegram = 6,
    kOptEditList = 7,
    kOptSendList = 8,
    kOptLinkTest = 9,
};

// One entry of a menu: the action's name, a sub-menu's name ("@" first) or a separator (0).
using MenuEntries = std::vector<const char*>;

const std::array<std::pair<int, MenuEntries>, TfmMain::kMenus>& MenuLayout() {
    static const std::array<std::pair<int, MenuEntries>, TfmMain::kMenus> layout{{
        {txt::kFileMenuBase,
         {"miLogOp", "miLogSav", "aLogDel", "miLogDrucken", nullptr, "miSeTeLoad", "miSeTeSav",
          nullptr, "aTextLoad", nullptr, "miExit"}},
        {txt::kModeMenuBase, {"aGoOnl", "aGoOffl", nullptr, "miLinkT1", "miLinkT2"}},
        {txt::kSendMenuBase, {"@miSeTe", "@miSeLi", nullptr, "miSeStop"}},
        {txt::kViewMenuBase,
         {"aAusgOnl", "aAusgLog", nullptr, "aZeit", nullptr, "afBit", "afLog", "afMW", "afHex",
          "afByte", "afCsv", "afDez", nullptr, "aClear", "aReset"}},
        {txt::kParaMenuBase,
         {"@miPaTe", "@miPaLi", nullptr, "miEmSe1", "miEmSe2", nullptr, "miAllg", "miTelSize",
          "miOpt", nullptr, "@miSpr"}},
        {txt::kFilterMenuBase, {"aAFilter", "miLFilter", nullptr, "aAFiltAE"}},
        {txt::kHelpMenuBase, {"aHContents", nullptr, "miVersion"}},
    }};
    return layout;
}

// Display formats in the order of their view menu entries, starting at format 2.
constexpr std::array<const char*, 7> kFormatActions{"afBit",  "afLog", "afMW", "afHex",
                                                    "afByte", "afCsv", "afDez"};
constexpr int kFirstFormat = 2;
constexpr int kExportFormat = 7;

QKeySequence FunctionKey(int n, Qt::KeyboardModifiers mods) {
    return QKeySequence(QKeyCombination(mods, static_cast<Qt::Key>(Qt::Key_F1 + n)));
}

std::string FileNameOnly(const std::filesystem::path& p) {
    return p.filename().string();
}

}  // namespace

TfmMain::TfmMain(Context& ctx, Engine& engine, Descriptions& descriptions, Dialogs& dialogs,
                 QWidget* parent)
    : QMainWindow(parent),
      ctx_(ctx),
      engine_(engine),
      descriptions_(descriptions),
      dialogs_(dialogs) {
    setObjectName("fmMain");
    setMinimumSize(kMinWidth, kMinHeight);
    resize(kDefaultWidth, kDefaultHeight);
    // A stored font size outside 8..16 starts as 10.
    if (ctx_.settings.View.FontSize < 8 || ctx_.settings.View.FontSize > 16)
        ctx_.settings.View.FontSize = 10;
    BuildActions();
    BuildMenus();
    BuildToolBars();
    BuildClientArea();
    for (int i = 0; i < TSettings::kHistorySlots && i < ctx_.settings.HistoryCount; ++i) {
        const std::string name = ctx_.settings.History[i].str();
        if (!name.empty() && mru_.size() < kMruEntries) mru_ << QString::fromStdString(name);
    }
    RefreshMru();
    editors_ = new SendEditors(ctx_, dialogs_, this);
    editors_->onTelegramStored = [this](int) { RefreshSendActions(); };
    editors_->onListStored = [this](int) { RefreshSendActions(); };
    editors_->onOpenChanged = [this] { ApplyShortcuts(); };
    ApplyTexts();
    ApplyShortcuts();

    engine_.hooks.refresh = [this] { RefreshStatus(); };
    engine_.hooks.showOnlineDisplay = [this] { ShowDisplay(true); };
    ctx_.log.SetCounterHook([this](int k) { tbSt_->UpdateCounterCell(k); });
}

TfmMain::~TfmMain() {
    delete editors_;
    ctx_.log.SetCounterHook({});
    engine_.hooks.refresh = nullptr;
    engine_.hooks.showOnlineDisplay = nullptr;
}

// ---------------------------------------------------------------------------------------
// Building

QAction* TfmMain::NewAction(const char* name, void (TfmMain::*handler)()) {
    auto* a = new QAction(this);
    a->setObjectName(name);
    if (handler) connect(a, &QAction::triggered, this, handler);
    return a;
}

void TfmMain::Bind(const char* name, void (TfmMain::*handler)()) {
    NewAction(name, handler);
}

QAction* TfmMain::Action(std::string_view name) const {
    return findChild<QAction*>(QString::fromUtf8(name.data(), static_cast<int>(name.size())),
                               Qt::FindDirectChildrenOnly);
}

void TfmMain::BuildActions() {
    Bind("miLogOp", &TfmMain::miLogOpClick);
    Bind("miLogSav", &TfmMain::miLogSavClick);
    Bind("aLogDel", &TfmMain::aLogDelClick);
    Bind("miLogDrucken", &TfmMain::miLogDruckenClick);
    Bind("miSeTeLoad", &TfmMain::miSeTeLoadClick);
    Bind("miSeTeSav", &TfmMain::miSeTeSavClick);
    Bind("aTextLoad", &TfmMain::aTextLoadClick);
    Bind("miAllg", &TfmMain::miAllgClick);
    Bind("miTelSize", &TfmMain::miTelSizeClick);
    Bind("miOpt", &TfmMain::miOptClick);
    connect(NewAction("miEmSe1", nullptr), &QAction::triggered, this, [this] { miEmSeClick(0); });
    connect(NewAction("miEmSe2", nullptr), &QAction::triggered, this, [this] { miEmSeClick(1); });
    connect(NewAction("miExit", nullptr), &QAction::triggered, this, &QWidget::close);
    Bind("aGoOnl", &TfmMain::aGoOnlClick);
    Bind("aGoOffl", &TfmMain::aGoOfflClick);
    NewAction("miLinkT1", nullptr);
    NewAction("miLinkT2", nullptr);
    connect(Action("miLinkT1"), &QAction::triggered, this, [this] { miLinkTestClick(0); });
    connect(Action("miLinkT2"), &QAction::triggered, this, [this] { miLinkTestClick(1); });
    Bind("miSeStop", &TfmMain::miSeStopClick);
    Bind("aAusgOnl", &TfmMain::aAusgOnlClick);
    Bind("aAusgLog", &TfmMain::aAusgLogClick);
    Action("aAusgOnl")->setCheckable(true);
    Action("aAusgLog")->setCheckable(true);
    Bind("aZeit", &TfmMain::aZtClick);
    Action("aZeit")->setCheckable(true);
    formats_ = new QActionGroup(this);
    for (std::size_t i = 0; i < kFormatActions.size(); ++i) {
        QAction* a = NewAction(kFormatActions[i], nullptr);
        const int format = kFirstFormat + static_cast<int>(i);
        a->setCheckable(true);
        a->setData(format);
        formats_->addAction(a);
        connect(a, &QAction::triggered, this, [this, format] { aAFormatClick(format); });
    }
    Bind("aClear", &TfmMain::aClearClick);
    Bind("aReset", &TfmMain::aResetClick);
    Bind("aAFiltAE", &TfmMain::AFiltAEClick);
    connect(NewAction("aAFilter", nullptr), &QAction::triggered, this,
            [this] { FilterClick(TfmFlt::kDisplayFilter); });
    connect(NewAction("miLFilter", nullptr), &QAction::triggered, this,
            [this] { FilterClick(TfmFlt::kLogFilter); });
    Bind("miVersion", &TfmMain::miInfoClick);
    connect(NewAction("aHContents", nullptr), &QAction::triggered, this,
            [this] { OpenHelp(ctx_, kHelpContents); });
    connect(NewAction("aHelpF1", nullptr), &QAction::triggered, this,
            [this] { OpenHelp(ctx_, kHelpMainWindow); });
    addAction(Action("aHelpF1"));
    for (int n = 0; n < kSlots; ++n) {
        aSeTe_[n] = new QAction(this);
        aSeLi_[n] = new QAction(this);
        aPaTe_[n] = new QAction(this);
        aPaLi_[n] = new QAction(this);
        aSeTe_[n]->setObjectName(QString("aSeTe%1").arg(n + 1));
        aSeLi_[n]->setObjectName(QString("aSeLi%1").arg(n + 1));
        aPaTe_[n]->setObjectName(QString("aPaTe%1").arg(n + 1));
        aPaLi_[n]->setObjectName(QString("aPaLi%1").arg(n + 1));
        connect(aSeTe_[n], &QAction::triggered, this, [this, n] { aSeTeClick(n + 1); });
        connect(aSeLi_[n], &QAction::triggered, this, [this, n] { aSeLiClick(n + 1); });
        connect(aPaTe_[n], &QAction::triggered, this, [this, n] { aPaTeClick(n + 1); });
        connect(aPaLi_[n], &QAction::triggered, this, [this, n] { aPaLiClick(n + 1); });
    }
    for (int i = 0; i < 2; ++i) {
        languages_[i] = new QAction(this);
        languages_[i]->setObjectName(i == 0 ? "miGer" : "miUsa");
        languages_[i]->setCheckable(true);
        connect(languages_[i], &QAction::triggered, this, [this, i] { miGerClick(i); });
    }
}

void TfmMain::BuildMenus() {
    for (int m = 0; m < kMenus; ++m) {
        const auto& [base, entries] = MenuLayout()[m];
        QMenu* menu = new QMenu(this);
        menus_[m] = menu;
        int position = 0;
        for (const char* entry : entries) {
            const int text = base + position++;
            if (entry == nullptr) {
                QAction* sep = menu->addSeparator();
                if (m == 0 && position == 10) mruSeparator_ = sep;
                continue;
            }
            if (entry[0] == '@') {
                QMenu* sub = menu->addMenu(QString());
                sub->menuAction()->setProperty(kTextProperty, text);
                const std::string_view name(entry + 1);
                if (name == "miSeTe") (seTeMenu_ = sub)->addActions({aSeTe_.begin(), aSeTe_.end()});
                if (name == "miSeLi") (seLiMenu_ = sub)->addActions({aSeLi_.begin(), aSeLi_.end()});
                if (name == "miPaTe") (paTeMenu_ = sub)->addActions({aPaTe_.begin(), aPaTe_.end()});
                if (name == "miPaLi") (paLiMenu_ = sub)->addActions({aPaLi_.begin(), aPaLi_.end()});
                if (name == "miSpr") (sprMenu_ = sub)->addActions({languages_[0], languages_[1]});
                continue;
            }
            QAction* a = Action(entry);
            a->setProperty(kTextProperty, text);
            menu->addAction(a);
        }
    }
    connect(menus_[2], &QMenu::aboutToShow, this, &TfmMain::miSendClick);
    connect(menus_[3], &QMenu::aboutToShow, this, &TfmMain::miViewClick);
    pmMain_ = new QMenu(this);
    pmMain_->setObjectName("pmMain");
    connect(pmMain_, &QMenu::aboutToShow, this, &TfmMain::miViewClick);
    for (QAction* a : menus_[3]->actions()) pmMain_->addAction(a);
}

void TfmMain::BuildToolBars() {
    tbrMenu_ = addToolBar("tbrMenu");
    tbrMenu_->setObjectName("tbrMenu");
    tbrMenu_->setMovable(false);
    for (int m = 0; m < kMenus; ++m) {
        auto* b = new QToolButton(tbrMenu_);
        b->setObjectName(QString("tbrMenu%1").arg(m));
        b->setMenu(menus_[m]);
        b->setPopupMode(QToolButton::InstantPopup);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setAutoRaise(true);
        // No arrow: the button is the menu's title, as on a menu bar.
        b->setStyleSheet("QToolButton::menu-indicator { image: none; width: 0px; }");
        tbrMenu_->addWidget(b);
        menuButtons_[m] = b;
    }
    tbrLed_ = addToolBar("tbrLed");
    tbrLed_->setObjectName("tbrLed");
    tbrLed_->setMovable(false);
    tbrLed_->setIconSize(QSize(kLedWidth, kLedHeight));
    static constexpr std::array<const char*, 4> kLedNames{"tbtnR1", "tbtnT1", "tbtnR2", "tbtnT2"};
    for (int i = 0; i < 4; ++i) {
        auto* b = new QToolButton(tbrLed_);
        b->setObjectName(kLedNames[i]);
        b->setIcon(LedIcon(LedColour::kOff));
        b->setIconSize(QSize(kLedWidth, kLedHeight));
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        tbrLed_->addWidget(b);
        leds_[i] = b;
    }
    tbrBtn_ = addToolBar("tbrBtn");
    tbrBtn_->setObjectName("tbrBtn");
    tbrBtn_->setMovable(false);
    tbrBtn_->setIconSize(QSize(kButtonWidth, kButtonHeight));
    tbtnOnl_ = new QToolButton(tbrBtn_);
    tbtnOnl_->setObjectName("tbtnOnl");
    tbtnOnl_->setCheckable(true);
    tbtnOnl_->setIconSize(QSize(kButtonWidth, kButtonHeight));
    connect(tbtnOnl_, &QToolButton::clicked, this, &TfmMain::aGoOnlClick);
    tbtnTel_ = new QToolButton(tbrBtn_);
    tbtnTel_->setObjectName("tbtnTel");
    tbtnTel_->setIconSize(QSize(kButtonWidth, kButtonHeight));
    connect(tbtnTel_, &QToolButton::clicked, this, &TfmMain::aAusgLogClick);
    tbrBtn_->addWidget(tbtnOnl_);
    tbrBtn_->addWidget(tbtnTel_);
}

void TfmMain::BuildClientArea() {
    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    tbSt_ = new Q5StatusTable(client);
    tbSt_->setObjectName("tbSt");
    tbSt_->Bind(ctx_);
    layout->addWidget(tbSt_);
    // The log view takes the rest of the window.
    view_ = new TLogView(ctx_, &descriptions_, client);
    layout->addWidget(view_, 1);
    tbSt_->setVisible(ctx_.settings.OnlineDisplay != 0);
    setCentralWidget(client);
    stbrMain_ = new Q5StatusBar(this);
    stbrMain_->setObjectName("stbrMain");
    stbrMain_->Bind(ctx_);
    setStatusBar(stbrMain_);
}

// ---------------------------------------------------------------------------------------
// Captions, shortcuts, indicators

void TfmMain::ApplyTexts() {
    for (int m = 0; m < kMenus; ++m) menuButtons_[m]->setText(QTxt(ctx_, txt::kMenuButtonBase + m));
    for (QAction* a : findChildren<QAction*>()) {
        const QVariant id = a->property(kTextProperty);
        if (id.isValid()) a->setText(QTxt(ctx_, id.toInt()));
    }
    for (int i = 0; i < 2; ++i) {
        languages_[i]->setText(QTxt(ctx_, txt::kLanguageMenuBase + i));
        languages_[i]->setChecked(ctx_.settings.Language == i);
    }
    static constexpr std::array<int, 4> kLedHints{txt::kLedHintRx1, txt::kLedHintTx1,
                                                  txt::kLedHintRx2, txt::kLedHintTx2};
    for (int i = 0; i < 4; ++i) leds_[i]->setToolTip(QTxt(ctx_, kLedHints[i]));
    RefreshSendActions();
    if (editors_) editors_->ApplyTexts();
    tbSt_->SetupStatusTable();
    tbSt_->FillStatusTable();
    RefreshStatus();
}

void TfmMain::RefreshSendActions() {
    for (int n = 0; n < kSlots; ++n) {
        aSeTe_[n]->setText(
            FromCp1252(SendActionCaption(ctx_, n + 1, ctx_.sendTelegrams.Items[n].Head)));
        aSeLi_[n]->setText(
            FromCp1252(SendActionCaption(ctx_, n + 1, ctx_.sendLists.Items[n].Head)));
        aPaTe_[n]->setText(
            FromCp1252(EditActionCaption(ctx_, n + 1, ctx_.sendTelegrams.Items[n].Head)));
        aPaLi_[n]->setText(
            FromCp1252(EditActionCaption(ctx_, n + 1, ctx_.sendLists.Items[n].Head)));
    }
}

void TfmMain::ApplyShortcuts() {
    const auto flag = [this](int n) { return ctx_.settings.Option(n - 1); };
    const auto key = [&](const char* name, int option, QKeySequence k) {
        Action(name)->setShortcut(flag(option) ? k : QKeySequence());
    };
    // Online and offline share F8; the online command toggles, so it carries the key.
    key("aGoOnl", kOptOnline, QKeySequence(Qt::Key_F8));
    key("aAusgLog", kOptDisplay, QKeySequence(Qt::Key_F9));
    key("aAFiltAE", kOptFilterToggle, QKeySequence(Qt::Key_F11));
    key("aAFilter", kOptFilter, QKeySequence(Qt::Key_F12));
    // While a send editor is open, F12 is the editor's.
    if (ctx_.run.OpenSendEditor != 0) Action("aAFilter")->setShortcut(QKeySequence());
    for (int n = 0; n < kSlots; ++n) {
        aPaTe_[n]->setShortcut(flag(kOptEditTelegram) ? FunctionKey(n, Qt::ShiftModifier)
                                                      : QKeySequence());
        aSeTe_[n]->setShortcut(flag(kOptSendTelegram) ? FunctionKey(n, Qt::AltModifier)
                                                      : QKeySequence());
        aPaLi_[n]->setShortcut(flag(kOptEditList)
                                   ? FunctionKey(n, Qt::ShiftModifier | Qt::ControlModifier)
                                   : QKeySequence());
        aSeLi_[n]->setShortcut(flag(kOptSendList) ? FunctionKey(n, Qt::ControlModifier)
                                                  : QKeySequence());
    }
    Action("miLinkT1")->setEnabled(flag(kOptLinkTest));
    Action("miLinkT2")->setEnabled(flag(kOptLinkTest));
    // Fixed keys of the window.
    Action("aZeit")->setShortcut(QKeySequence(Qt::Key_1));
    for (std::size_t i = 0; i < kFormatActions.size(); ++i)
        Action(kFormatActions[i])->setShortcut(QKeySequence(static_cast<int>(Qt::Key_2 + i)));
    Action("aLogDel")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    Action("aHelpF1")->setShortcut(QKeySequence(Qt::Key_F1));
    // Keys work from the window whichever control has the focus.
    for (QAction* a : findChildren<QAction*>()) {
        a->setShortcutContext(Qt::WindowShortcut);
        if (!a->shortcut().isEmpty() && !actions().contains(a)) addAction(a);
    }
}

void TfmMain::SetIndicator(Indicator which, int state) {
    int led = -1;
    switch (which) {
        case Indicator::kRxLed1:
            led = 0;
            break;
        case Indicator::kTxLed1:
            led = 1;
            break;
        case Indicator::kRxLed2:
            led = 2;
            break;
        case Indicator::kTxLed2:
            led = 3;
            break;
        case Indicator::kStatusTable:
            tbSt_->FillStatusTable();
            return;
        case Indicator::kStatusBar:
        case Indicator::kFilters:
        case Indicator::kOnline:
        case Indicator::kCaption:
            RefreshStatus();
            return;
    }
    if (led < 0 || ledState_[led] == state) return;
    ledState_[led] = state;
    const LedColour on = led % 2 == 0 ? LedColour::kReceive : LedColour::kTransmit;
    leds_[led]->setIcon(LedIcon(state != 0 ? on : LedColour::kOff));
}

void TfmMain::RefreshStatus() {
    const bool online = ctx_.settings.Online != 0;
    const bool onlineDisplay = ctx_.settings.OnlineDisplay != 0;
    Action("aZeit")->setChecked(ctx_.settings.DisplayFlag != 0);
    const int format = ctx_.settings.DisplayFormat;
    if (format >= kFirstFormat && format < kFirstFormat + static_cast<int>(kFormatActions.size()))
        Action(kFormatActions[format - kFirstFormat])->setChecked(true);
    tbtnOnl_->setChecked(online);
    tbtnOnl_->setIcon(OnlineIcon(online));
    tbtnOnl_->setToolTip(QTxt(ctx_, txt::kOnlineHintBase + (online ? 1 : 0)));
    tbtnTel_->setIcon(DisplayIcon(onlineDisplay));
    tbtnTel_->setToolTip(QTxt(ctx_, txt::kDisplayHintBase + (onlineDisplay ? 1 : 0)));
    Action("aAusgOnl")->setChecked(onlineDisplay);
    Action("aAusgLog")->setChecked(!onlineDisplay);
    Action("aAFiltAE")
        ->setText(QTxt(
            ctx_, txt::kFilterToggleBase + (ctx_.general.DisplayFilter.FilterOn != 0 ? 1 : 0)));
    Action("aGoOffl")->setEnabled(online);
    stbrMain_->RefreshAll();
    RefreshCaption();
}

QString TfmMain::Caption() const {
    std::string caption;
    if (ctx_.run.InstanceNumber != 1) caption += std::to_string(ctx_.run.InstanceNumber);
    caption += ctx_.Txt(txt::kProgramTitle);
    const int variant = ctx_.general.ProtocolVariant;
    if (variant >= 0 && variant < 5) caption += ctx_.Txt(txt::kCaptionVariantBase + variant);
    caption += FileNameOnly(ctx_.run.AuxFilePath);
    return FromCp1252(caption);
}

void TfmMain::RefreshCaption() {
    // The second channel has parameters of its own only when both ports carry the protocol;
    // the caption names the mode, so both follow it together.
    if (QAction* emse2 = Action("miEmSe2")) emse2->setEnabled(ctx_.general.ProtocolVariant == 2);
    const QString caption = Caption();
    setWindowTitle(caption);
    QApplication::setApplicationDisplayName(QString());
    QApplication::setApplicationName(caption.trimmed());
}

void TfmMain::AfterTick() {
    view_->Tick();
}

void TfmMain::Redraw() {
    view_->Redraw();
}

// ---------------------------------------------------------------------------------------
// Recent files

void TfmMain::AddRecentFile(const std::filesystem::path& file) {
    const QString name = QString::fromStdString(file.string());
    mru_.removeAll(name);
    mru_.prepend(name);
    while (mru_.size() > kMruEntries) mru_.removeLast();
    RefreshMru();
}

void TfmMain::RefreshMru() {
    QMenu* file = menus_[0];
    for (QAction* a : mruActions_) {
        file->removeAction(a);
        a->deleteLater();
    }
    mruActions_.clear();
    QAction* exit = Action("miExit");
    for (int i = 0; i < mru_.size(); ++i) {
        auto* a = new QAction(QString("&%1 %2").arg(i + 1).arg(mru_[i]), file);
        a->setObjectName(QString("mruFile%1").arg(i + 1));
        const QString name = mru_[i];
        connect(a, &QAction::triggered, this, [this, name] { mruFileClick(name); });
        file->insertAction(exit, a);
        mruActions_ << a;
    }
    if (!mru_.isEmpty()) {
        auto* sep = new QAction(file);
        sep->setSeparator(true);
        file->insertAction(exit, sep);
        mruActions_ << sep;
    }
}

void TfmMain::StoreHistory() {
    const int n = std::min<int>(static_cast<int>(mru_.size()), kMruEntries);
    for (int i = 0; i < TSettings::kHistorySlots; ++i)
        ctx_.settings.History[i].assign(i < n ? mru_[i].toStdString() : std::string());
    ctx_.settings.HistoryCount = n;
}

void TfmMain::mruFileClick(const QString& name) {
    const std::filesystem::path file(name.toStdString());
    if (HasExtension(file, ctx_.Txt(txt::kLogFileExt))) {
        OpenLog(file);
    } else if (HasExtension(file, ctx_.Txt(txt::kSendFileExt))) {
        LoadSendFileCommand(file);
        AddRecentFile(file);
    } else if (HasExtension(file, ctx_.Txt(txt::kDescFileExt))) {
        AddRecentFile(file);
        LoadDescriptionFile(file);
    }
}

// ---------------------------------------------------------------------------------------
// Placement and closing

void TfmMain::RestorePlacement() {
    const TSettings& s = ctx_.settings;
    if (s.WindowState == 0) return;
    if (s.WindowWidth > 0 && s.WindowHeight > 0)
        setGeometry(s.WindowLeft, s.WindowTop, std::max(s.WindowWidth, kMinWidth),
                    std::max(s.WindowHeight, kMinHeight));
    if (s.WindowState == 2) setWindowState(Qt::WindowMinimized);
    if (s.WindowState == 3) setWindowState(Qt::WindowMaximized);
}

void TfmMain::StorePlacement() {
    TSettings& s = ctx_.settings;
    if (isMinimized()) {
        s.WindowState = 2;
    } else if (isMaximized()) {
        s.WindowState = 3;
    } else {
        const QRect g = geometry();
        s.WindowTop = g.top();
        s.WindowLeft = g.left();
        s.WindowHeight = g.height();
        s.WindowWidth = g.width();
        s.WindowState = 1;
    }
}

void TfmMain::closeEvent(QCloseEvent* event) {
    // Ports and timer stop first; the log, the send telegram file and the settings follow
    // in the program's close.
    if (onClose) onClose();
    StoreHistory();
    StorePlacement();
    if (linkTest_) linkTest_->close();
    editors_->CloseAll();
    event->accept();
}

void TfmMain::contextMenuEvent(QContextMenuEvent* event) {
    pmMain_->popup(event->globalPos());
}

// ---------------------------------------------------------------------------------------
// Commands

MessageResult TfmMain::Ask(int text, std::string_view argument) {
    std::string message(ctx_.Txt(text));
    if (!argument.empty()) message = FormatText(message, {argument});
    return ctx_.ui.ShowMessage(message, MessageKind::kConfirmation, MessageButtons::kYesNo);
}

bool TfmMain::AskGoOffline() {
    if (ctx_.settings.Online == 0) return true;
    if (Ask(txt::kAskGoOffline) != MessageResult::kYes) return false;
    engine_.GoOffline();
    return true;
}

void TfmMain::aGoOnlClick() {
    engine_.ToggleOnline();
    RefreshStatus();
}

void TfmMain::aGoOfflClick() {
    engine_.GoOffline();
    RefreshStatus();
}

void TfmMain::ShowDisplay(bool online) {
    // The status table belongs to the online display; the log display has the scroll bar.
    tbSt_->setVisible(online);
    if (online) {
        view_->ShowOnlineDisplay();
        tbSt_->FillStatusTable();
    } else {
        view_->ShowLogDisplay();
    }
    RefreshStatus();
}

void TfmMain::keyPressEvent(QKeyEvent* event) {
    // With the display key enabled, Up or Down leave the online display and Escape the log
    // display.
    if (ctx_.settings.Option(kOptDisplay - 1)) {
        const bool online = ctx_.settings.OnlineDisplay != 0;
        const int key = event->key();
        if (online && (key == Qt::Key_Up || key == Qt::Key_Down)) {
            ShowDisplay(false);
            return;
        }
        if (!online && key == Qt::Key_Escape) {
            ShowDisplay(true);
            return;
        }
    }
    QMainWindow::keyPressEvent(event);
}

void TfmMain::aAusgLogClick() {
    ShowDisplay(ctx_.settings.OnlineDisplay == 0);
}

void TfmMain::aAusgOnlClick() {
    ShowDisplay(true);
}

void TfmMain::aZtClick() {
    // The export format always shows the time.
    if (ctx_.settings.DisplayFormat != kExportFormat)
        ctx_.settings.DisplayFlag = ctx_.settings.DisplayFlag != 0 ? 0 : 1;
    RefreshStatus();
    view_->Redraw();
}

void TfmMain::aAFormatClick(int format) {
    ctx_.settings.DisplayFormat = format;
    if (format == kExportFormat) ctx_.settings.DisplayFlag = 1;
    RefreshStatus();
    view_->Redraw();
}

void TfmMain::aClearClick() {
    view_->ClearOnline();
}

void TfmMain::aResetClick() {
    engine_.ResetCounters();
    tbSt_->FillStatusTable();
}

void TfmMain::aLogDelClick() {
    if (Ask(txt::kAskDeleteLog, ctx_.log.FilePath().string()) != MessageResult::kYes) return;
    ctx_.log.ClearAll();
    view_->PrepareLog();
    tbSt_->FillStatusTable();
    RefreshStatus();
}

void TfmMain::OpenLog(const std::filesystem::path& file) {
    if (!AskGoOffline()) return;
    ctx_.log.CloseView();
    ctx_.log.Close();
    ctx_.log.ClearQueue();
    ctx_.log.Open(file, false);
    ctx_.run.LogFilePath = file;
    AddRecentFile(file);
    ctx_.run.LogFromFile = false;
    ShowDisplay(false);
}

void TfmMain::miLogOpClick() {
    if (const auto file = dialogs_.OpenFile(txt::kLogOpenTitle, ctx_.run.LogFilePath))
        OpenLog(*file);
}

void TfmMain::miLogSavClick() {
    const auto file = dialogs_.SaveFile(txt::kLogSaveTitle, ctx_.log.FilePath());
    if (!file || !AskGoOffline()) return;
    AddRecentFile(*file);
    // The save-as closes the log, copies it whole and opens it again with the view at its end.
    ctx_.log.CloseView();
    ctx_.log.SaveCopyAs(*file);
    view_->PrepareLog();
    RefreshStatus();
}

void TfmMain::LoadSendFileCommand(const std::filesystem::path& file) {
    if (!AskGoOffline()) return;
    const std::filesystem::path current = ctx_.run.AuxFilePath;
    if (ctx_.run.SendFileModified && file != current) {
        const std::string message = FormatText(ctx_.Txt(txt::kAskSaveSendFile), {current.string()});
        switch (ctx_.ui.ShowMessage(message, MessageKind::kConfirmation,
                                    MessageButtons::kYesNoCancel)) {
            case MessageResult::kCancel:
                return;
            case MessageResult::kYes:
                if (!SaveSendFile(ctx_, current)) return;
                break;
            default:
                break;
        }
    }
    LoadSendFile(ctx_, file);
    RefreshSendActions();
    if (editors_) editors_->ApplyTexts();
    tbSt_->SetupStatusTable();
    tbSt_->FillStatusTable();
    RefreshStatus();
}

void TfmMain::miSeTeLoadClick() {
    const auto file = dialogs_.OpenFile(txt::kSendFileOpenTitle, ctx_.run.AuxFilePath);
    if (!file) return;
    LoadSendFileCommand(*file);
    AddRecentFile(*file);
}

void TfmMain::miSeTeSavClick() {
    const auto file = dialogs_.SaveFile(txt::kSendFileSaveTitle, ctx_.run.AuxFilePath);
    if (!file) return;
    if (!SaveSendFile(ctx_, *file)) {
        ctx_.ui.ShowMessage(std::string(ctx_.Txt(txt::kFileWriteFailed)) + "\n" + file->string(),
                            MessageKind::kError, MessageButtons::kOk);
        return;
    }
    ctx_.run.AuxFilePath = *file;
    AddRecentFile(*file);
    RefreshCaption();
}

void TfmMain::LoadDescriptionFile(const std::filesystem::path& file) {
    LoadDescriptions(ctx_, descriptions_, file);
    stbrMain_->RefreshPanel(5);
    view_->Redraw();
}

void TfmMain::aTextLoadClick() {
    const auto file = dialogs_.OpenFile(txt::kDescOpenTitle,
                                        std::filesystem::path(ctx_.settings.DescriptionFile.str()));
    if (!file) return;
    if (QFileInfo(QString::fromStdString(file->filename().string())).fileName().toUpper() !=
        "VUNA.EXE") {
        AddRecentFile(*file);
        LoadDescriptionFile(*file);
        return;
    }
    // The monitor device's own program: sent to it in test mode only.
    if (!ctx_.run.TestMode || ctx_.run.TransferFileOpen) return;
    auto transfer = std::make_shared<TransferFile>();
    if (!transfer->Open(ctx_, *file, 0)) return;
    ctx_.transfer = std::move(transfer);
    ctx_.emse1.AwaitState = 3;
}

void TfmMain::miLinkTestClick(int channel) {
    TfmLnk::OpenLinkTest(ctx_, channel, this, linkTest_);
}

void TfmMain::aSeTeClick(int slot) {
    RequestSend(ctx_, ctx_.sendTelegrams.Items[slot - 1].Head);
}

void TfmMain::aSeLiClick(int slot) {
    RequestSendList(ctx_, ctx_.sendLists.Items[slot - 1]);
}

void TfmMain::aPaTeClick(int slot) {
    editors_->OpenTelegram(slot);
}

void TfmMain::aPaLiClick(int slot) {
    editors_->OpenList(slot);
}

void TfmMain::miEmSeClick(int channel) {
    TEmSe& ch = channel == 0 ? ctx_.emse1 : ctx_.emse2;
    // Offline, or with no port found yet, the ports are looked for again; the ports open now
    // count as present.
    if ((ctx_.settings.Online == 0 || ctx_.run.PresentPorts.empty()) && ports_) {
        std::vector<int> open;
        for (const TEmSe* c : {&ctx_.emse1, &ctx_.emse2})
            if (c->PortOpen != 0) open.push_back(static_cast<int>(c->P.ComNumber));
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ctx_.run.PresentPorts = ScanPorts(*ports_, open);
        QApplication::restoreOverrideCursor();
    }
    std::unique_ptr<ChannelDialog> dialog;
    const int variant = ctx_.general.ProtocolVariant;
    if (variant == 0 || variant == 1) dialog = std::make_unique<TfmPdm>(ctx_, ch, this, ports_);
    if (variant == 2) dialog = std::make_unique<TfmCom>(ctx_, ch, this, ports_);
    if (!dialog || dialog->exec() != QDialog::Accepted) return;
    const TChannelBlock block = dialog->Block();
    dialog.reset();
    // The line falls quiet while the window goes on handling its events.
    ChangeChannelParameters(ctx_, engine_, ch, block, [](int ms) {
        QEventLoop wait;
        QTimer::singleShot(ms, &wait, &QEventLoop::quit);
        wait.exec();
    });
    RefreshSendActions();
    tbSt_->FillStatusTable();
    RefreshStatus();
}

void TfmMain::miAllgClick() {
    TfmAlg dialog(ctx_, dialogs_, this);
    if (dialog.exec() != QDialog::Accepted) return;
    switch (dialog.ModeItem()) {
        case TfmAlg::kTerminalItem:
            RunSystemOperation(ctx_, engine_, this);
            break;
        case TfmAlg::kProgrammingItem:
            OpenProgrammingWindow(ctx_, engine_, dialogs_, this);
            break;
        default: {
            GeneralChangeHooks hooks;
            hooks.askYesNo = [this](int text) { return Ask(text) == MessageResult::kYes; };
            hooks.saveSettings = saveSettings;
            ApplyGeneralParams(ctx_, engine_, dialog.Params(), dialog.DataDirectory(), hooks);
            break;
        }
    }
    RefreshCaption();
    tbSt_->SetupStatusTable();
    tbSt_->FillStatusTable();
    RefreshStatus();
    view_->Redraw();
}

void TfmMain::miLogDruckenClick() {
    ShowOutputDialog(ctx_, &descriptions_, this);
}

void TfmMain::miTelSizeClick() {
    TfmFarb dialog(ctx_, this);
    if (dialog.exec() != QDialog::Accepted) return;
    ctx_.settings.View = dialog.View();
    view_->ApplyFont();
    view_->Redraw();
}

void TfmMain::miOptClick() {
    TfmOpt dialog(ctx_, this);
    if (dialog.exec() != QDialog::Accepted) return;
    ApplyShortcuts();
    RefreshStatus();
    view_->Redraw();
}

void TfmMain::miSeStopClick() {
    StopAllSending(ctx_);
}

void TfmMain::miSendClick() {
    bool busy = false;
    for (int n = 0; n < kSlots; ++n)
        busy = busy || ctx_.sendTelegrams.Items[n].Head.SendState != 0 ||
               ctx_.sendLists.Items[n].Head.SendState != 0;
    Action("miSeStop")->setEnabled(busy);
}

void TfmMain::miViewClick() {
    const bool online = ctx_.settings.OnlineDisplay != 0;
    Action("aClear")->setEnabled(online);
    Action("aReset")->setEnabled(online);
}

void TfmMain::miGerClick(int language) {
    ctx_.settings.Language = language;
    // Posted, as the language switch reaches the window as a message of its own.
    QTimer::singleShot(0, this, [this] {
        LoadTextTable(ctx_);
        ApplyTexts();
        view_->Redraw();
    });
}

void TfmMain::AFiltAEClick() {
    ToggleDisplayFilter(ctx_);
    RefreshStatus();
    view_->Redraw();
}

void TfmMain::FilterClick(int which) {
    if (!EditFilter(ctx_, dialogs_, this, which)) return;
    RefreshStatus();
    view_->Redraw();
}

void TfmMain::miInfoClick() {
    TfmInfo::ShowVersionInfo(ctx_, this);
}

}  // namespace vadrix
