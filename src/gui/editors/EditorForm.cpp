#include "gui/editors/EditorForm.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <charconv>

#include "common/TextFormat.h"
#include "common/TextIds.h"
#include "editors/ByteField.h"
#include "editors/EditorSession.h"
#include "editors/NumberText.h"
#include "editors/SendTextFile.h"
#include "gui/common/Dialogs.h"
#include "gui/common/QtText.h"

namespace vadrix {

QString BitText(const Context& ctx, int v) {
    return FromCp1252(BitString(static_cast<std::uint32_t>(v), 8, ctx.run.BitChars));
}

std::optional<std::uint8_t> FieldByte(const Context& ctx, const EntryField& f) {
    return ParseByteField(Utf8ToCp1252(f.text().toStdString()), ctx.Txt(txt::kBitStringChars),
                          ctx.Txt(txt::kByteFieldKinds));
}

void MakeByteField(Context& ctx, EntryField& f) {
    f.setMaxLength(8);
    f.SetCheck([&ctx, &f](const QString&) -> std::optional<std::string> {
        if (FieldByte(ctx, f)) return std::nullopt;
        return FormatText(ctx.Txt(txt::kFieldRange), {FmtArg(0), FmtArg(255)});
    });
    QObject::connect(&f, &EntryField::accepted, &f,
                     [&ctx, &f] { f.setText(BitText(ctx, FieldByte(ctx, f).value_or(0))); });
}

namespace {

QComboBox* NewChoice(QWidget* parent, const char* name) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    return c;
}

int Chosen(const QComboBox* c) {
    return std::max(c->currentIndex(), 0);
}

void Choose(QComboBox* c, int i) {
    c->setCurrentIndex(i >= 0 && i < c->count() ? i : 0);
}

}  // namespace

SendHeaderFields::SendHeaderFields(Context& c, QWidget* parent, bool isList)
    : ctx(c),
      sfBez(NewEntryField(c, parent, "sfBez")),
      cbAnst(NewChoice(parent, "cbAnst")),
      sfMin(NewEntryField(c, parent, "sfMin")),
      sfAnstTNr(NewEntryField(c, parent, "sfAnstTNr")),
      cbAnstDa(NewChoice(parent, "cbAnstDa")),
      sfAnstByte(NewEntryField(c, parent, "sfAnstByte")),
      sfSend(NewEntryField(c, parent, "sfSend")),
      sfAnzT(NewEntryField(c, parent, "sfAnzT")),
      sfWZt(NewEntryField(c, parent, "sfWZt")),
      cbStNr(NewChoice(parent, "cbStNr")),
      lblAnst(new QLabel(parent)),
      lblAnstDa(new QLabel(parent)),
      lblStNr(new QLabel(parent)),
      list(isList) {
    sfBez->setMaxLength(27);
    MakeNumberField(ctx, *sfMin, 0, 59, 2);
    MakeNumberField(ctx, *sfAnstTNr, 0, 1023, 4);
    MakeByteField(ctx, *sfAnstByte);
    MakeNumberField(ctx, *sfSend, 1, 2, 1);
    MakeNumberField(ctx, *sfAnzT, 0, 100000, 7);
    MakeNumberField(ctx, *sfWZt, 0, 1000000, 7);
    if (list) {
        sfAnzO = NewEntryField(c, parent, "sfAnzO");
        MakeNumberField(ctx, *sfAnzO, 0, 99999, 5);
    }
    lblStNr->setObjectName("lblStNr");
}

void SendHeaderFields::ApplyTexts(EditorForm& form) {
    form.SetFieldLabel(*sfBez, txt::kNameLabel);
    form.FillComboFromTexts(*cbAnst, lblAnst, txt::kStartList);
    form.SetFieldLabel(*sfMin, txt::kMinuteLabel);
    form.SetFieldLabel(*sfAnstTNr, txt::kStartTelNoLabel);
    form.FillComboFromTexts(*cbAnstDa, lblAnstDa, txt::kStartDataKindList);
    form.SetFieldLabel(*sfAnstByte, txt::kByteLabel);
    // The start byte's hint tells what the byte means for the start trigger chosen.
    form.SetHint(sfAnstByte, txt::kStartByteHintBase + Chosen(cbAnst));
    form.SetFieldLabel(*sfSend, txt::kSenderLabel);
    form.SetFieldLabel(*sfAnzT, list ? txt::kRoundsLabel : txt::kRepeatLabel);
    if (sfAnzO) form.SetFieldLabel(*sfAnzO, txt::kPerRoundLabel);
    form.SetFieldLabel(*sfWZt, txt::kPauseLabel);
    form.SetHint(cbStNr, txt::kGeneralHint);
    lblStNr->setText(QTxt(ctx, list ? txt::kListStationLabel : txt::kStationLabel));
    if (hintFollowsStart) return;
    hintFollowsStart = true;
    QObject::connect(cbAnst, &QComboBox::currentIndexChanged, sfAnstByte, [this, &form](int i) {
        form.SetHint(sfAnstByte, txt::kStartByteHintBase + std::max(i, 0));
    });
}

void SendHeaderFields::Fill(const TSendHeader& h) {
    auto number = [](EntryField* f, int v) { f->setText(QString::number(v)); };
    sfBez->setText(FromCp1252(h.Bez.str()));
    Choose(cbAnst, h.Anst);
    number(sfMin, h.Min);
    number(sfAnstTNr, h.AnstTNr);
    Choose(cbAnstDa, h.AnstDa);
    sfAnstByte->setText(BitText(ctx, h.AnstByte));
    number(sfSend, h.Send / 2);
    number(sfAnzT, h.AnzT);
    if (sfAnzO) number(sfAnzO, h.AnzO);
    number(sfWZt, h.WZt);
}

void SendHeaderFields::Read(TSendHeader& h) const {
    auto number = [](const EntryField* f, int fallback) {
        return FieldNumber(*f).value_or(fallback);
    };
    h.Bez.assign(Utf8ToCp1252(sfBez->text().toStdString()).substr(0, 27));
    h.Anst = Chosen(cbAnst);
    h.Min = number(sfMin, h.Min);
    h.AnstTNr = number(sfAnstTNr, h.AnstTNr);
    h.AnstDa = Chosen(cbAnstDa);
    h.AnstByte = FieldByte(ctx, *sfAnstByte).value_or(static_cast<std::uint8_t>(h.AnstByte));
    h.Send = 2 * number(sfSend, h.Send / 2);
    h.AnzT = number(sfAnzT, h.AnzT);
    if (sfAnzO) h.AnzO = number(sfAnzO, h.AnzO);
    h.WZt = number(sfWZt, h.WZt);
    h.StNr = Chosen(cbStNr);
}

void SendHeaderFields::FillStations(TSendHeader& h) {
    const std::vector<int> stations = StationChoices(ctx, h);
    cbStNr->clear();
    for (const int s : stations) cbStNr->addItem(" " + QString::number(s));
    h.StNr = ValidStationIndex(h.StNr, cbStNr->count());
    cbStNr->setCurrentIndex(h.StNr);
}

std::vector<QWidget*> SendHeaderFields::Controls() const {
    std::vector<QWidget*> c{sfBez, cbAnst, sfMin, sfAnstTNr, cbAnstDa, sfAnstByte, sfSend, sfAnzT};
    if (sfAnzO) c.push_back(sfAnzO);
    c.push_back(sfWZt);
    return c;
}

EditorButtons::EditorButtons(QWidget* window, QBoxLayout* root)
    : btnSend(new QPushButton(window)),
      btnOK(new QPushButton(window)),
      btnAbbr(new QPushButton(window)),
      btnHelp(new QPushButton(window)),
      pmLoadSave(new QMenu(window)),
      miLoad(pmLoadSave->addAction(QString())),
      miSave(pmLoadSave->addAction(QString())) {
    auto* row = new QHBoxLayout;
    root->addLayout(row);
    btnSend->setObjectName("btnSend");
    btnOK->setObjectName("btnOK");
    btnAbbr->setObjectName("btnAbbr");
    btnHelp->setObjectName("btnHelp");
    for (QPushButton* b : {btnSend, btnOK, btnAbbr, btnHelp}) {
        b->setAutoDefault(false);
        row->addWidget(b);
    }
    QObject::connect(btnAbbr, &QPushButton::clicked, window, &QWidget::close);
    miLoad->setObjectName("miLoad");
    miSave->setObjectName("miSave");
}

void EditorButtons::ApplyTexts(const Context& ctx, int loadText, int saveText) {
    btnSend->setText(QTxt(ctx, txt::kButtonSend));
    btnOK->setText(QTxt(ctx, txt::kButtonOk));
    btnAbbr->setText(QTxt(ctx, txt::kButtonCancel));
    btnHelp->setText(QTxt(ctx, txt::kButtonHelp));
    miLoad->setText(QTxt(ctx, loadText));
    miSave->setText(QTxt(ctx, saveText));
}

namespace {

std::filesystem::path EditorFileStart(Context& ctx, int prefix, int slot) {
    const std::string name = std::string(ctx.Txt(prefix)) + std::to_string(slot);
    ctx.settings.EditorFile.assign(name);
    return ctx.run.DataDirectory / name;
}

}  // namespace

std::optional<std::string> LoadEditorFile(Context& ctx, Dialogs& dialogs, int title, int prefix,
                                          int slot) {
    const auto file = dialogs.OpenFile({title, txt::kEditorFileFilter, txt::kTextDefaultExt},
                                       EditorFileStart(ctx, prefix, slot));
    if (!file) return std::nullopt;
    std::string text;
    if (ReadTextFile(*file, text)) return text;
    ctx.ui.ShowMessage(std::string(ctx.Txt(txt::kFileReadError)) + file->string(),
                       MessageKind::kError, MessageButtons::kOk);
    return std::nullopt;
}

std::optional<std::filesystem::path> AskEditorSaveFile(Context& ctx, Dialogs& dialogs, int title,
                                                       int prefix, int slot) {
    return dialogs.SaveFile({title, txt::kEditorFileFilter, txt::kTextDefaultExt},
                            EditorFileStart(ctx, prefix, slot));
}

void SaveEditorFile(Context& ctx, const std::filesystem::path& file, std::string_view text) {
    if (WriteTextFile(file, text)) return;
    ctx.ui.ShowMessage(std::string(ctx.Txt(txt::kFileWriteFailed)) + "\n" + file.string(),
                       MessageKind::kError, MessageButtons::kOk);
}

void LayOutHeader(QGridLayout& grid, const SendHeaderFields& h) {
    auto addRow = [&grid](int row, int col, QWidget* label, QWidget* field) {
        grid.addWidget(label, row, col);
        grid.addWidget(field, row, col + 1);
    };
    grid.addWidget(h.sfBez->label, 0, 0);
    grid.addWidget(h.sfBez, 0, 1, 1, 3);
    addRow(1, 0, h.lblAnst, h.cbAnst);
    addRow(1, 2, h.sfMin->label, h.sfMin);
    addRow(2, 0, h.sfAnstTNr->label, h.sfAnstTNr);
    addRow(2, 2, h.lblAnstDa, h.cbAnstDa);
    addRow(3, 0, h.sfAnstByte->label, h.sfAnstByte);
    addRow(3, 2, h.sfSend->label, h.sfSend);
    addRow(4, 0, h.sfAnzT->label, h.sfAnzT);
}

}  // namespace vadrix
