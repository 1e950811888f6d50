#include "gui/dialogs/Q5LnkF.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>

#include "app/Context.h"
#include "common/TextIds.h"
#include "common/TextTable.h"

namespace vadrix {

namespace {

QString Text(const Context& ctx, int n) {
    return QString::fromStdString(Cp1252ToUtf8(ctx.Txt(n)));
}

constexpr int kTopBelowMain = 32;
constexpr int kRightOfMain = 10;

}  // namespace

int LinkTestItemCount(const Context& ctx) {
    const std::string_view t = ctx.Txt(txt::kLinkTestCount);
    int n = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), n);
    (void)end;
    if (ec != std::errc()) return 0;
    return std::clamp(n, 0, kLinkTestFlags);
}

TfmLnk* TfmLnk::OpenLinkTest(Context& ctx, int channel, QWidget* mainWindow,
                             QPointer<TfmLnk>& open) {
    if (channel < 0 || channel > 1) return nullptr;
    if (!open || open->closed_) {
        open = new TfmLnk(ctx, channel, mainWindow);
        open->show();
        // Placed once shown, when its frame is known.
        if (mainWindow) {
            const QRect main = mainWindow->frameGeometry();
            open->move(main.x() + main.width() - open->frameGeometry().width() - kRightOfMain,
                       main.y() + kTopBelowMain);
        }
    }
    open->show();
    open->raise();
    open->activateWindow();
    return open;
}

TfmLnk::TfmLnk(Context& ctx, int channel, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window), ctx_(ctx), channel_(channel) {
    setObjectName("fmLnk");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Text(ctx, txt::kLinkTestCaption) + QString::number(channel + 1));

    chlbLnk_ = new QListWidget(this);
    chlbLnk_->setObjectName("chlbLnk");
    chlbLnk_->setToolTip(Text(ctx, txt::kGeneralHint));
    const int n = LinkTestItemCount(ctx);
    for (int i = 0; i < n; ++i) {
        auto* item = new QListWidgetItem(Text(ctx, txt::kLinkTestItemBase + i), chlbLnk_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    if (n > 0) chlbLnk_->setCurrentRow(0);
    connect(chlbLnk_, &QListWidget::itemChanged, this, &TfmLnk::chlbLnkClickCheck);

    btnExit_ = new QPushButton(Text(ctx, txt::kLinkTestExit), this);
    btnExit_->setObjectName("btnExit");
    connect(btnExit_, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnExit_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(chlbLnk_);
    layout->addLayout(buttons);
    adjustSize();
}

TEmSe& TfmLnk::Channel_() {
    return channel_ == 0 ? ctx_.emse1 : ctx_.emse2;
}

void TfmLnk::chlbLnkClickCheck(QListWidgetItem* item) {
    const int i = chlbLnk_->row(item);
    if (i < 0 || i >= kLinkTestFlags) return;
    Channel_().LinkTestFlags[i] = item->checkState() == Qt::Checked;
}

TfmLnk::~TfmLnk() {
    ClearFlags();
}

void TfmLnk::ClearFlags() {
    for (bool& flag : Channel_().LinkTestFlags) flag = false;
}

void TfmLnk::closeEvent(QCloseEvent* event) {
    ClearFlags();
    closed_ = true;
    event->accept();
}

}  // namespace vadrix
