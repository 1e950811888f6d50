#include "gui/dialogs/Q5OptF.h"

#include <QListWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>

#include "common/TextIds.h"
#include "gui/common/Form.h"
#include "gui/common/QtText.h"

namespace vadrix {

namespace {

constexpr int kHelpContext = 5700;
constexpr int kWidth = 420;

// Entries as the count text says, never more than there are option bytes.
int OptionCount(const Context& ctx) {
    const std::string_view s = ctx.Txt(txt::kOptionCount);
    int n = 0;
    std::from_chars(s.data(), s.data() + s.size(), n);
    return std::clamp(n, 0, TSettings::kOptionCount);
}

}  // namespace

TfmOpt::TfmOpt(Context& ctx, QWidget* mainWindow)
    : QDialog(mainWindow), ctx_(ctx), chlbOpt_(new QListWidget(this)) {
    setObjectName("TfmOpt");
    setWindowTitle(QTxt(ctx_, txt::kOptionsCaption));
    chlbOpt_->setObjectName("chlbOpt");
    for (int i = 0; i < OptionCount(ctx_); ++i) {
        auto* item = new QListWidgetItem(QTxt(ctx_, txt::kOptionTextBase + i), chlbOpt_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(ctx_.settings.Options[i] != 0 ? Qt::Checked : Qt::Unchecked);
    }
    auto* root = new QVBoxLayout(this);
    root->addWidget(chlbOpt_);
    AddDialogButtons(*this, *root, nullptr, ctx_, txt::kButtonOk, kHelpContext);
    resize(kWidth, sizeHint().height() + 120);
    move(EditorPosition(mainWindow, kWidth));
}

void TfmOpt::accept() {
    for (int i = 0; i < chlbOpt_->count(); ++i)
        ctx_.settings.Options[i] = chlbOpt_->item(i)->checkState() == Qt::Checked ? 1 : 0;
    QDialog::accept();
}

}  // namespace vadrix
