#include "gui/log/Q5DruF.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "common/TextIds.h"
#include "gui/common/Form.h"
#include "gui/common/QtText.h"
#include "gui/log/PrinterCanvas.h"
#include "interpret/LineGenerator.h"
#include "print/PainterCanvas.h"

namespace vadrix {

namespace {

constexpr int kHelpContext = 1100;
constexpr int kWidth = 440;

const char* FileMask(OutputKind kind, bool pdf) {
    if (kind == OutputKind::kLogFile) return "*.lg8";
    return pdf ? "*.pdf" : "*.txt";
}

}  // namespace

TfmDruk::TfmDruk(Context& ctx, const Descriptions* descriptions, QWidget* mainWindow)
    : QDialog(mainWindow),
      ctx_(ctx),
      descriptions_(descriptions),
      pcbDruk_(new QComboBox(this)),
      fcbFile_(new QComboBox(this)),
      prbrDruk_(new QProgressBar(this)),
      lblHinweis_(new QLabel(this)),
      stbrDruk_(new QStatusBar(this)),
      form_(new EditorForm(ctx, this, stbrDruk_)) {
    setObjectName("TfmDruk");
    setWindowTitle(QTxt(ctx_, txt::kOutputCaption));
    lblHinweis_->setObjectName("lblHinweis");
    lblHinweis_->setText(QTxt(ctx_, txt::kOutputNote1) + '\n' + QTxt(ctx_, txt::kOutputNote2) +
                         '\n' + QTxt(ctx_, txt::kOutputNote3));

    auto* rgrAusg = new QGroupBox(QTxt(ctx_, txt::kOutputKindLabel), this);
    rgrAusg->setObjectName("rgrAusg");
    auto* group = new QButtonGroup(this);
    auto* kindColumn = new QVBoxLayout(rgrAusg);
    const std::vector<std::string> items = ParseCommaText(ctx_.Txt(txt::kOutputKindItems));
    for (int i = 0; i < 3; ++i) {
        kinds_[i] = new QRadioButton(
            i < static_cast<int>(items.size()) ? FromCp1252(items[i]) : QString(), rgrAusg);
        kinds_[i]->setObjectName(QStringLiteral("rgrAusg%1").arg(i));
        group->addButton(kinds_[i], i);
        kindColumn->addWidget(kinds_[i]);
        form_->AddControl(kinds_[i], txt::kOutputKindHint);
    }
    connect(group, &QButtonGroup::idClicked, this, [this] { rgrAusgClick(); });

    pcbDruk_->setObjectName("pcbDruk");
    pcbDruk_->addItems(QPrinterInfo::availablePrinterNames());
    pcbDruk_->addItem(QTxt(ctx_, txt::kPrintToPdf));
    connect(pcbDruk_, &QComboBox::currentIndexChanged, this, [this] { rgrAusgClick(); });
    form_->AddControl(pcbDruk_, txt::kPrinterHint);
    fcbFile_->setObjectName("fcbFile");
    fcbFile_->setEditable(true);
    fcbFile_->setInsertPolicy(QComboBox::NoInsert);
    form_->AddControl(fcbFile_, txt::kFileHint);

    auto* fields = new QGridLayout;
    auto* printerLabel = new QLabel(QTxt(ctx_, txt::kPrinterLabel), this);
    auto* fileLabel = new QLabel(QTxt(ctx_, txt::kFileLabel), this);
    printerLabel->setBuddy(pcbDruk_);
    fileLabel->setBuddy(fcbFile_);
    fields->addWidget(printerLabel, 0, 0);
    fields->addWidget(pcbDruk_, 0, 1);
    fields->addWidget(fileLabel, 1, 0);
    fields->addWidget(fcbFile_, 1, 1);
    fields->setColumnStretch(1, 1);

    prbrDruk_->setObjectName("prbrDruk");
    prbrDruk_->setRange(0, 100);
    prbrDruk_->hide();

    auto* root = new QVBoxLayout(this);
    root->addWidget(lblHinweis_);
    root->addWidget(rgrAusg);
    root->addLayout(fields);
    root->addWidget(prbrDruk_);
    const DialogButtons buttons =
        AddDialogButtons(*this, *root, stbrDruk_, ctx_, txt::kButtonOk, kHelpContext);
    btnOK_ = buttons.ok;
    btnAbbr_ = buttons.cancel;
    btnHelp_ = buttons.help;
    disconnect(btnOK_, nullptr, this, nullptr);
    disconnect(btnAbbr_, nullptr, this, nullptr);
    connect(btnOK_, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnAbbr_, &QPushButton::clicked, this, [this] { btnAbbrClick(); });

    const int kind = std::clamp(ctx_.settings.PrintKind, 0, 2);
    kinds_[kind]->setChecked(true);
    pcbDruk_->setCurrentIndex(std::clamp(ctx_.settings.PrintSelection1, 0, pcbDruk_->count() - 1));
    rgrAusgClick();
    if (ctx_.settings.PrintSelection2 >= 0 && ctx_.settings.PrintSelection2 < fcbFile_->count())
        fcbFile_->setCurrentIndex(ctx_.settings.PrintSelection2);
    resize(kWidth, sizeHint().height());
    move(EditorPosition(mainWindow, kWidth));
}

QRadioButton* TfmDruk::KindButton(OutputKind kind) const {
    return kinds_[static_cast<int>(kind)];
}

int TfmDruk::PdfEntry() const {
    return pcbDruk_->count() - 1;
}

OutputKind TfmDruk::Kind() const {
    for (int i = 0; i < 3; ++i)
        if (kinds_[i]->isChecked()) return static_cast<OutputKind>(i);
    return OutputKind::kTextFile;
}

bool TfmDruk::PdfChosen() const {
    return Kind() == OutputKind::kPrinter && pcbDruk_->currentIndex() == PdfEntry();
}

// The kind decides which choices apply and which files the list offers.
void TfmDruk::rgrAusgClick() {
    const OutputKind kind = Kind();
    pcbDruk_->setEnabled(kind == OutputKind::kPrinter);
    fcbFile_->setEnabled(kind != OutputKind::kPrinter || PdfChosen());
    FillFileList();
}

// The entries of the data directory that match the kind's mask; the typed name stays.
void TfmDruk::FillFileList() {
    const QString typed = fcbFile_->currentText();
    const QDir dir(QString::fromStdString(ctx_.run.DataDirectory.string()));
    fcbFile_->clear();
    fcbFile_->addItems(dir.entryList({FileMask(Kind(), PdfChosen())}, QDir::Files, QDir::Name));
    fcbFile_->setEditText(typed);
}

// The typed name as the output's file: in the data directory when it has no folder, with
// the extension of its kind.
std::optional<std::filesystem::path> TfmDruk::TargetName() const {
    const std::string typed = fcbFile_->currentText().trimmed().toStdString();
    if (typed.empty()) return std::nullopt;
    if (!PdfChosen()) return OutputTargetName(ctx_, typed, Kind());
    std::filesystem::path name = typed;
    if (!name.has_parent_path()) name = ctx_.run.DataDirectory / name;
    if (!name.has_extension()) name += ".pdf";
    return name;
}

void TfmDruk::btnOKClick() {
    std::optional<std::filesystem::path> target;
    if (Kind() != OutputKind::kPrinter || PdfChosen()) {
        target = TargetName();
        if (!target) {
            fcbFile_->setFocus();
            return;
        }
        if (IsLiveLogFile(ctx_, *target)) {
            ctx_.ui.ShowMessage(ctx_.Txt(txt::kOutputIsLiveLog), MessageKind::kError,
                                MessageButtons::kOk);
            return;
        }
    }
    StoreChoices();
    stbrDruk_->showMessage(QTxt(ctx_, txt::kOutputRunning));
    btnOK_->hide();
    btnHelp_->hide();
    prbrDruk_->setValue(0);
    prbrDruk_->show();
    cancel_ = false;
    running_ = true;
    result_ = Run(target.value_or(std::filesystem::path()));
    running_ = false;
    if (*result_ == OutputResult::kDone) prbrDruk_->setValue(100);
    Tell(*result_);
    accept();
}

OutputResult TfmDruk::Run(const std::filesystem::path& target) {
    OutputOptions options;
    options.interpret = SettingsFromContext(ctx_);
    options.descriptions = descriptions_;
    options.progress = [this](int percent) { return Progress(percent); };
    std::unique_ptr<PainterCanvas> canvas;
    if (PdfChosen())
        canvas = std::make_unique<PdfCanvas>(QString::fromStdString(target.string()));
    else if (Kind() == OutputKind::kPrinter)
        canvas = std::make_unique<PrinterCanvas>(pcbDruk_->currentText());
    options.printer = canvas.get();
    const OutputKind kind = canvas ? OutputKind::kPrinter : Kind();
    return WriteLog(ctx_, target, kind, options);
}

// The dialog's own events (the cancel button, repaints) pass here, whatever loop the engine
// runs on.
bool TfmDruk::Progress(int percent) {
    if (prbrDruk_->value() != percent) prbrDruk_->setValue(percent);
    QCoreApplication::processEvents();
    return cancel_;
}

// Cancelled output keeps its end text; a failure is told.
void TfmDruk::Tell(OutputResult r) {
    if (r != OutputResult::kTargetFailed && r != OutputResult::kWriteFailed) return;
    const int text =
        PdfChosen() || Kind() != OutputKind::kPrinter ? txt::kFileWriteFailed : txt::kPrintFailed;
    ctx_.ui.ShowMessage(ctx_.Txt(text), MessageKind::kError, MessageButtons::kOk);
}

void TfmDruk::StoreChoices() {
    ctx_.settings.PrintKind = static_cast<int>(Kind());
    ctx_.settings.PrintSelection1 = pcbDruk_->currentIndex();
    ctx_.settings.PrintSelection2 = fcbFile_->findText(fcbFile_->currentText());
}

void TfmDruk::btnAbbrClick() {
    if (running_) {
        cancel_ = true;
        return;
    }
    QDialog::reject();
}

// Escape and the window's close button cancel a running output rather than leave it.
void TfmDruk::reject() {
    btnAbbrClick();
}

void ShowOutputDialog(Context& ctx, const Descriptions* descriptions, QWidget* mainWindow) {
    TfmDruk dialog(ctx, descriptions, mainWindow);
    dialog.exec();
}

}  // namespace vadrix
