#include "gui/editors/Q5TypF.h"

#include <QListWidget>
#include <QVBoxLayout>
#include <charconv>

#include "app/Context.h"
#include "common/TextIds.h"
#include "gui/common/QtText.h"

namespace vadrix {

namespace {

constexpr int kHeight = 420;

int TypeCount(const Context& ctx) {
    const std::string_view s = ctx.Txt(txt::kClassNameBase);
    int n = 0;
    std::from_chars(s.data(), s.data() + s.size(), n);
    return n;
}

}  // namespace

TfmTyp::TfmTyp(const Context& ctx, int type, QPoint cellLeft, int editorTop, QWidget* parent)
    : QDialog(parent), lbTyp_(new QListWidget(this)) {
    setObjectName("TfmTyp");
    setWindowTitle(QTxt(ctx, txt::kTypePickerCaption));
    lbTyp_->setObjectName("lbTyp");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(lbTyp_);
    for (int i = 0; i < TypeCount(ctx); ++i) lbTyp_->addItem(QTxt(ctx, txt::kTypeNameBase + i));
    if (type >= 0 && type < lbTyp_->count()) lbTyp_->setCurrentRow(type);
    connect(lbTyp_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(lbTyp_, &QListWidget::itemActivated, this, &QDialog::accept);
    setGeometry(cellLeft.x() - 320, editorTop + 10, kWidth, kHeight);
}

int TfmTyp::ChosenType() const {
    return lbTyp_->currentRow();
}

}  // namespace vadrix
