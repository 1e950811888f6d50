#include "gui/programming/Q5PgF.h"

#include <QFontDatabase>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/DeviceMode.h"
#include "app/Engine.h"
#include "channel/Channel.h"
#include "common/TextIds.h"
#include "gui/common/Dialogs.h"
#include "gui/common/Help.h"
#include "gui/common/QtText.h"
#include "gui/params/Q5PgStF.h"

namespace vadrix {

namespace {

constexpr int kHelpContext = 5600;
constexpr int kWidth = 620;
constexpr int kHeight = 460;
constexpr int kTopBelowMain = 54;
constexpr int kMenuTexts = 10;  // texts of the function menu, separators included

}  // namespace

TfmPg::TfmPg(Context& ctx, Dialogs& dialogs, QWidget* mainWindow)
    : QDialog(mainWindow),
      ctx_(ctx),
      tbrPg_(new QToolBar(this)),
      mmFkt_(new QMenu(this)),
      mMemo_(new QPlainTextEdit(this)),
      lblAdr_(new QLabel(this)),
      lblSp_(new QLabel(this)) {
    setObjectName("TfmPg");
    setWindowTitle(QTxt(ctx_, txt::kProgrammingCaption));
    ProgrammingDialogs asks;
    asks.askRange = [this](std::string_view caption, std::string_view prompt,
                           std::string_view preset) -> std::optional<std::string> {
        bool ok = false;
        const QString typed = QInputDialog::getText(this, FromCp1252(caption), FromCp1252(prompt),
                                                    QLineEdit::Normal, FromCp1252(preset), &ok);
        if (!ok) return std::nullopt;
        return Utf8ToCp1252(typed.toStdString());
    };
    asks.openFile = [&dialogs](std::string_view, const std::filesystem::path& start) {
        return dialogs.OpenFile({txt::kFwpOpenTitle, txt::kFwpFilter, txt::kFwpDefaultExt}, start);
    };
    asks.saveFile = [&dialogs](std::string_view, const std::filesystem::path& start) {
        return dialogs.SaveFile({txt::kFwpSaveTitle, txt::kFwpFilter, txt::kFwpDefaultExt}, start);
    };
    asks.editStationParams = [this](StationParamBlock& block) {
        return EditStationParameters(ctx_, block, this);
    };

    // The menu becomes the tool bar: function, help, exit.
    tbrPg_->setObjectName("tbrPg");
    auto* mmHelp = new QMenu(this);
    auto* mmExit = new QMenu(this);
    int tag = 0;
    for (int i = 0; i < kMenuTexts; ++i) {
        const QString caption = QTxt(ctx_, txt::kPgMenuBase + i);
        if (caption == "-") {
            mmFkt_->addSeparator();
            continue;
        }
        const auto item = static_cast<PgItem>(++tag);
        QAction* a = mmFkt_->addAction(caption, this, [this, item] { miMenuClick(item); });
        a->setObjectName(QString("pgItem%1").arg(tag));
        if (tag <= static_cast<int>(items_.size())) items_[static_cast<std::size_t>(tag - 1)] = a;
    }
    mmHelp->addAction(QTxt(ctx_, txt::kPgMenuHelp), this, [this] { OpenHelp(ctx_, kHelpContext); });
    mmExit->addAction(QTxt(ctx_, txt::kPgMenuExit), this, &QDialog::reject);
    connect(mmFkt_, &QMenu::aboutToShow, this, &TfmPg::mmFktClick);
    const std::array<QMenu*, 3> menus{mmFkt_, mmHelp, mmExit};
    for (std::size_t i = 0; i < menus.size(); ++i) {
        auto* b = new QToolButton(tbrPg_);
        b->setText(QTxt(ctx_, txt::kPgButtonBase + static_cast<int>(i)));
        b->setMenu(menus[i]);
        b->setPopupMode(QToolButton::InstantPopup);
        b->setObjectName(i == 0 ? "mmFkt" : i == 1 ? "mmHelp" : "mmExit");
        tbrPg_->addWidget(b);
    }

    mMemo_->setObjectName("mMemo");
    mMemo_->setReadOnly(true);
    mMemo_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    mMemo_->setMaximumBlockCount(20000);
    lblAdr_->setObjectName("lblAdr");
    lblSp_->setObjectName("lblSp");
    lblAdr_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* root = new QVBoxLayout(this);
    root->setMenuBar(tbrPg_);
    root->addWidget(lblAdr_);
    root->addWidget(mMemo_, 1);
    root->addWidget(lblSp_);
    resize(kWidth, kHeight);
    if (mainWindow) {
        const QRect frame = mainWindow->frameGeometry();
        move(frame.left() + (frame.width() - kWidth) / 2, frame.top() + kTopBelowMain);
    }
    pg_ = std::make_unique<Programming>(ctx_, *this, std::move(asks));
    ClearLines();
    lblAdr_->clear();
    SetImageStatus(pg_->ImageStatusText());
    AddLine(PgLine::kPlain, ctx_.Txt(txt::kChooseFunction));
}

TfmPg::~TfmPg() = default;

QAction* TfmPg::Item(PgItem item) const {
    return items_[static_cast<std::size_t>(static_cast<int>(item) - 1)];
}

void TfmPg::mmFktClick() {
    for (int i = 1; i <= static_cast<int>(items_.size()); ++i) {
        const auto item = static_cast<PgItem>(i);
        Item(item)->setEnabled(!busy_ && pg_->ItemEnabled(item));
    }
}

void TfmPg::miMenuClick(PgItem item) {
    if (busy_) return;
    // One command at a time; the window answers events meanwhile and shows its lines.
    busy_ = true;
    tbrPg_->setEnabled(false);
    pg_->RunItem(item);
    tbrPg_->setEnabled(true);
    busy_ = false;
}

void TfmPg::reject() {
    // A transfer under way ends first: the window goes once it is back.
    if (busy_) return;
    QDialog::reject();
}

void TfmPg::ClearLines() {
    mMemo_->clear();
}

void TfmPg::AddLine(PgLine, std::string_view text) {
    mMemo_->appendPlainText(FromCp1252(text));
}

void TfmPg::SetAddressLabel(std::string_view text) {
    lblAdr_->setText(FromCp1252(text));
}

void TfmPg::SetImageStatus(std::string_view text) {
    lblSp_->setText(FromCp1252(text));
}

void OpenProgrammingWindow(Context& ctx, Engine& engine, Dialogs& dialogs, QWidget* mainWindow) {
    RunInDeviceMode(ctx, engine, kProgrammingVariant, [&] {
        TfmPg window(ctx, dialogs, mainWindow);
        window.exec();
    });
}

}  // namespace vadrix
