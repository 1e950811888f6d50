#include "gui/dialogs/Q5FarbF.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>
#include <charconv>

#include "common/TextIds.h"
#include "common/TextTable.h"
#include "gui/common/Colours.h"
#include "gui/common/Form.h"
#include "gui/common/QtText.h"

namespace vadrix {

namespace {

constexpr int kHelpContext = 5550;
constexpr int kWidth = 560;
constexpr int kItemWidth = 6;  // each item of the size list with its separator
constexpr const char* kPairNames[TfmFarb::kPairs] = {"E1", "S1", "E2", "S2", "Ueb", "Err"};

// Colours whose names read better in white.
bool DarkColour(int index) {
    return index == 1 || index == 16 || index == 18 || index == 19;
}

void FillColours(QComboBox& box, const Context& ctx, const QPalette& pal) {
    for (int i = 1; i <= kColourCount; ++i) {
        box.addItem(QTxt(ctx, txt::kColourNameBase + i - 1));
        box.setItemData(i - 1, TableColour(i, pal), Qt::BackgroundRole);
        box.setItemData(i - 1, QColor(DarkColour(i) ? Qt::white : Qt::black), Qt::ForegroundRole);
    }
}

}  // namespace

int FontSizeItem(std::string_view itemsText, int fontSize) {
    const std::size_t at = itemsText.find(std::to_string(fontSize));
    if (at == std::string_view::npos) return 0;
    return static_cast<int>((at + 1) / kItemWidth);
}

TfmFarb::TfmFarb(Context& ctx, QWidget* mainWindow)
    : QDialog(mainWindow), ctx_(ctx), view_(ctx.settings.View), status_(new QStatusBar(this)) {
    setObjectName("TfmFarb");
    setWindowTitle(QTxt(ctx_, txt::kColoursCaption));
    form_ = new EditorForm(ctx_, this, status_);
    form_->onEscape = [this] { reject(); };
    auto* grid = new QGridLayout;
    grid->setColumnStretch(3, 1);
    cbSize_ = new QComboBox(this);
    cbSize_->setObjectName("cbSize");
    for (const std::string& item : ParseCommaText(ctx_.Txt(txt::kFontSizeItems)))
        cbSize_->addItem(FromCp1252(item).trimmed());
    cbSize_->setCurrentIndex(FontSizeItem(ctx_.Txt(txt::kFontSizeItems), view_.FontSize));
    sfLeerZl_ = NewEntryField(ctx_, this, "sfLeerZl");
    MakeNumberField(ctx_, *sfLeerZl_, 0, 100, 3);
    form_->SetFieldLabel(*sfLeerZl_, txt::kSpacingLabel);
    sfLeerZl_->setText(QString::number(view_.SpacingPercent));
    grid->addWidget(new QLabel(QTxt(ctx_, txt::kFontSizeLabel), this), 0, 0);
    grid->addWidget(cbSize_, 0, 1);
    grid->addWidget(sfLeerZl_->label, 0, 2);
    grid->addWidget(sfLeerZl_, 0, 3);
    grid->addWidget(new QLabel(QTxt(ctx_, txt::kForegroundLabel), this), 1, 0);
    grid->addWidget(new QLabel(QTxt(ctx_, txt::kBackgroundLabel), this), 1, 1);
    grid->addWidget(new QLabel(QTxt(ctx_, txt::kSampleLabel), this), 1, 2, 1, 2);
    for (int p = 0; p < kPairs; ++p) {
        auto* fg = new QComboBox(this);
        auto* bg = new QComboBox(this);
        auto* sample = new QLabel(QTxt(ctx_, txt::kSampleTextBase + p + 1), this);
        fg->setObjectName(QString("cbFg%1").arg(kPairNames[p]));
        bg->setObjectName(QString("cbHg%1").arg(kPairNames[p]));
        sample->setObjectName(QString("lb%1").arg(kPairNames[p]));
        sample->setAutoFillBackground(true);
        sample->setMargin(3);
        FillColours(*fg, ctx_, palette());
        FillColours(*bg, ctx_, palette());
        fg->setCurrentIndex(std::clamp<int>(view_.Colours[p][0], 1, kColourCount) - 1);
        bg->setCurrentIndex(std::clamp<int>(view_.Colours[p][1], 1, kColourCount) - 1);
        // A colour chosen goes into the pair and the sample shows it at once.
        connect(fg, &QComboBox::currentIndexChanged, this, [this, p](int i) {
            view_.Colours[p][0] = static_cast<std::uint8_t>(i + 1);
            ShowSample(p);
        });
        connect(bg, &QComboBox::currentIndexChanged, this, [this, p](int i) {
            view_.Colours[p][1] = static_cast<std::uint8_t>(i + 1);
            ShowSample(p);
        });
        fg_[static_cast<std::size_t>(p)] = fg;
        bg_[static_cast<std::size_t>(p)] = bg;
        samples_[static_cast<std::size_t>(p)] = sample;
        grid->addWidget(fg, 2 + p, 0);
        grid->addWidget(bg, 2 + p, 1);
        grid->addWidget(sample, 2 + p, 2, 1, 2);
        ShowSample(p);
    }
    auto* root = new QVBoxLayout(this);
    root->addLayout(grid);
    const DialogButtons buttons =
        AddDialogButtons(*this, *root, status_, ctx_, txt::kButtonOk, kHelpContext);
    form_->AddControl(cbSize_, txt::kGeneralHint);
    form_->AddControl(sfLeerZl_, sfLeerZl_->property("hint").toInt());
    for (int p = 0; p < kPairs; ++p) {
        form_->AddControl(fg_[static_cast<std::size_t>(p)], txt::kGeneralHint);
        form_->AddControl(bg_[static_cast<std::size_t>(p)], txt::kGeneralHint);
    }
    for (QWidget* b : {static_cast<QWidget*>(buttons.ok), static_cast<QWidget*>(buttons.cancel),
                       static_cast<QWidget*>(buttons.help)})
        form_->AddControl(b, txt::kGeneralHint);
    resize(kWidth, sizeHint().height());
    move(EditorPosition(mainWindow, kWidth));
    form_->FocusControl(view_.FocusIndex);
}

void TfmFarb::ShowSample(int pair) {
    QLabel* sample = samples_[static_cast<std::size_t>(pair)];
    QPalette pal = sample->palette();
    pal.setColor(QPalette::WindowText, TableColour(view_.Colours[pair][0], palette()));
    pal.setColor(QPalette::Window, TableColour(view_.Colours[pair][1], palette()));
    sample->setPalette(pal);
}

void TfmFarb::accept() {
    if (!form_->AllValid()) return;
    const QString size = cbSize_->currentText().trimmed();
    view_.FontSize = size.toInt();
    view_.SpacingPercent = FieldNumber(*sfLeerZl_).value_or(view_.SpacingPercent);
    view_.FocusIndex = form_->FocusIndex();
    QDialog::accept();
}

}  // namespace vadrix
