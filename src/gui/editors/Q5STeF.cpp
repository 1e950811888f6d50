#include "gui/editors/Q5STeF.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "common/TextFormat.h"
#include "common/TextIds.h"
#include "editors/ByteField.h"
#include "editors/EditorSession.h"
#include "editors/FreeData.h"
#include "editors/NumberText.h"
#include "editors/SendControl.h"
#include "editors/SendTextFile.h"
#include "editors/TypeCodes.h"
#include "gui/common/Dialogs.h"
#include "gui/common/Help.h"
#include "gui/common/QtText.h"
#include "gui/editors/EditorForm.h"

namespace vadrix {

namespace {

constexpr int kHelpContext = 5100;
constexpr int kWidth = 560;
constexpr int kHeight = 440;
constexpr int kStateRefreshMs = 250;
constexpr int kShiftReadBackMs = 350;
constexpr int kByteLabels[9] = {txt::kByte1Label, txt::kByteLabel,  txt::kByte3Label,
                                txt::kByteLabel,  txt::kByte5Label, txt::kByteLabel,
                                txt::kByte7Label, txt::kByteLabel,  txt::kByte9Label};

int FieldOr(const EntryField* f, int fallback) {
    return FieldNumber(*f).value_or(fallback);
}

}  // namespace

TfmSeTe::TfmSeTe(Context& ctx, Dialogs& dialogs, QWidget* mainWindow, int slot)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint),
      ctx_(ctx),
      dialogs_(dialogs),
      slot_(slot),
      working_(BeginTelegramEdit(ctx, slot)) {
    setObjectName("TfmSeTe");
    setAttribute(Qt::WA_DeleteOnClose);
    BuildControls();
    ApplyTexts();
    resize(kWidth, kHeight);
    move(EditorPosition(mainWindow, kWidth));
    FillForm();
    stateTimer_ = new QTimer(this);
    connect(stateTimer_, &QTimer::timeout, this, &TfmSeTe::ShowSendState);
    stateTimer_->start(kStateRefreshMs);
    ShowSendState();
    QTimer::singleShot(0, this, [this] { form_->FocusControl(working_.Head.FocusIndex); });
}

TfmSeTe::~TfmSeTe() {
    // Focus moves while the controls go; the form must not call back into a window that is
    // no longer whole.
    form_->onLeave = nullptr;
    form_->onEscape = nullptr;
    form_->keepsEnter = nullptr;
}

EntryField* TfmSeTe::NewField(const char* name) {
    return NewEntryField(ctx_, this, name);
}

QComboBox* TfmSeTe::NewCombo(const char* name) {
    auto* c = new QComboBox(this);
    c->setObjectName(name);
    return c;
}

void TfmSeTe::BuildControls() {
    auto* root = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    root->addLayout(grid);
    stbrSeTe_ = new QStatusBar(this);
    sendState_ = new QLabel(stbrSeTe_);
    sendState_->setObjectName("sendState");
    stbrSeTe_->addPermanentWidget(sendState_);
    form_ = new EditorForm(ctx_, this, stbrSeTe_);
    form_->onEscape = [this] { Escape(); };
    form_->keepsEnter = [this](QWidget* w) { return w == memo_; };

    head_ = std::make_unique<SendHeaderFields>(ctx_, this, false);
    SendHeaderFields& h = *head_;
    lblTelTyp_ = new QLabel(this);
    lblDa_ = new QLabel(this);
    lblShft_ = new QLabel(this);
    cbTelTyp_ = NewCombo("cbTelTyp");
    sfTge_ = NewField("sfTge");
    sfTfk_ = NewField("sfTfk");
    sfUeb_ = NewField("sfUeb");
    cbDa_ = NewCombo("cbDa");
    sfSys_ = NewField("sfSys");
    sfTelNr_ = NewField("sfTelNr");
    sfLg_ = NewField("sfLg");
    sfLg_->setEnabled(false);
    for (int i = 0; i < 9; ++i) {
        sfB_[i] = NewField(QString("sfB%1").arg(i + 1).toLatin1());
        MakeByteField(ctx_, *sfB_[i]);
    }
    cbShft_ = NewCombo("cbShft");
    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName("Memo");
    memo_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    memo_->setTabChangesFocus(true);

    MakeNumberField(ctx_, *sfTge_, 0, 1, 1);
    MakeNumberField(ctx_, *sfTfk_, 0, 31, 2);
    MakeNumberField(ctx_, *sfUeb_, 0, 1, 1);
    MakeNumberField(ctx_, *sfSys_, 0, 7, 1);
    MakeNumberField(ctx_, *sfTelNr_, 0, 1023, 4);
    MakeNumberField(ctx_, *sfLg_, 0, 7, 1);
    // A new sender offers its own stations.
    connect(h.sfSend, &EntryField::accepted, this, [this] {
        working_.Head.Send = 2 * FieldNumber(*head_->sfSend).value_or(1);
        head_->FillStations(working_.Head);
    });

    auto addRow = [grid](int row, int col, QWidget* label, QWidget* field) {
        if (label) grid->addWidget(label, row, col);
        grid->addWidget(field, row, col + 1);
    };
    LayOutHeader(*grid, h);
    addRow(4, 2, h.sfWZt->label, h.sfWZt);
    grid->addWidget(lblTelTyp_, 5, 0);
    grid->addWidget(cbTelTyp_, 5, 1, 1, 3);
    addRow(6, 0, h.lblStNr, h.cbStNr);
    addRow(6, 2, lblShft_, cbShft_);
    addRow(7, 0, sfTge_->label, sfTge_);
    addRow(7, 2, sfTfk_->label, sfTfk_);
    addRow(8, 0, sfUeb_->label, sfUeb_);
    addRow(8, 2, lblDa_, cbDa_);
    addRow(9, 0, sfSys_->label, sfSys_);
    auto* telNr = new QHBoxLayout;
    telNr->addWidget(sfTelNr_, 3);
    telNr->addWidget(sfLg_, 1);
    grid->addWidget(sfTelNr_->label, 9, 2);
    grid->addLayout(telNr, 9, 3);
    for (int i = 0; i < 9; ++i) addRow(10 + i / 2, (i % 2) * 2, sfB_[i]->label, sfB_[i]);
    // The memo lies over the entry area.
    grid->addWidget(memo_, 6, 0, 9, 4);
    grid->setRowStretch(15, 1);

    buttons_ = std::make_unique<EditorButtons>(this, root);
    root->addWidget(stbrSeTe_);
    connect(buttons_->btnSend, &QPushButton::clicked, this, &TfmSeTe::btnSendClick);
    connect(buttons_->btnOK, &QPushButton::clicked, this, &TfmSeTe::btnOKClick);
    connect(buttons_->btnHelp, &QPushButton::clicked, this,
            [this] { OpenHelp(ctx_, kHelpContext); });
    connect(buttons_->miLoad, &QAction::triggered, this, &TfmSeTe::miLoadClick);
    connect(buttons_->miSave, &QAction::triggered, this, &TfmSeTe::miSaveClick);

    // The window's list of controls, in the order of the focus.
    std::vector<QWidget*> order = h.Controls();
    for (QWidget* w : std::initializer_list<QWidget*>{cbTelTyp_, h.cbStNr, cbShft_, sfTge_, sfTfk_,
                                                      sfUeb_, cbDa_, sfSys_, sfTelNr_})
        order.push_back(w);
    order.insert(order.end(), sfB_.begin(), sfB_.end());
    for (QWidget* w : std::initializer_list<QWidget*>{memo_, buttons_->btnSend, buttons_->btnOK,
                                                      buttons_->btnAbbr, buttons_->btnHelp})
        order.push_back(w);
    for (std::size_t i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
    for (QWidget* w : order) form_->AddControl(w, txt::kGeneralHint);
    // The type changes when its list is left, not while the user browses it.
    form_->onLeave = [this](QWidget* w) {
        if (w == cbTelTyp_) cbTelTypChange();
    };
}

void TfmSeTe::ApplyTexts() {
    setWindowTitle(QTxt(ctx_, txt::kTelegramCaptionPrefix) + QString::number(slot_) +
                   QTxt(ctx_, txt::kEditorCaptionSuffix));
    head_->ApplyTexts(*form_);
    // The type list: the types of the table, the free bit string, and in the operating modes
    // with a monitor device the level and duration list.
    const int type = cbTelTyp_->currentIndex();
    form_->FillComboFromTexts(*cbTelTyp_, lblTelTyp_, txt::kTypeList);
    cbTelTyp_->addItem(QTxt(ctx_, txt::kTypeFreeBits));
    if (ctx_.general.ProtocolVariant <= 1) cbTelTyp_->addItem(QTxt(ctx_, txt::kTypeLevelSequence));
    if (type >= 0 && type < cbTelTyp_->count()) cbTelTyp_->setCurrentIndex(type);
    form_->SetFieldLabel(*sfTge_, txt::kToggleLabel);
    form_->SetFieldLabel(*sfUeb_, txt::kLastFlagLabel);
    form_->FillComboFromTexts(*cbDa_, lblDa_, txt::kDataKindList);
    form_->SetFieldLabel(*sfSys_, txt::kSystemLabel);
    form_->SetFieldLabel(*sfTelNr_, txt::kTelNoLabel);
    for (int i = 0; i < 9; ++i) form_->SetFieldLabel(*sfB_[i], kByteLabels[i]);
    form_->FillComboFromTexts(*cbShft_, lblShft_, txt::kShiftList);
    if (previousType_ >= 0) ShowTypeView(previousType_);
    buttons_->ApplyTexts(ctx_, txt::kTelegramLoad, txt::kTelegramSave);
    ShowSendState();
}

void TfmSeTe::FillForm() {
    const TSendHeader& h = working_.Head;
    const TSendEntry& e = h.Entry;
    auto number = [](EntryField* f, int v) { f->setText(QString::number(v)); };
    auto choose = [](QComboBox* c, int i) { c->setCurrentIndex(i >= 0 && i < c->count() ? i : 0); };
    head_->Fill(h);
    previousType_ = -1;
    cbTelTyp_->setCurrentIndex(e.Typ < 0 || e.Typ >= cbTelTyp_->count() ? 0 : e.Typ);
    cbTelTypChange();
    head_->FillStations(working_.Head);
    number(sfTge_, h.Tge);
    choose(cbDa_, e.Da);
    number(sfUeb_, h.Ueb);
    number(sfTfk_, h.Tfk);
    number(sfSys_, e.Sys);
    number(sfTelNr_, e.TelNr);
    number(sfLg_, e.Lg);
    for (int i = 0; i < 9; ++i) sfB_[i]->setText(BitText(ctx_, e.B[i]));
    choose(cbShft_, h.Shft);
    for (const QPointer<QWidget>& w : form_->Controls())
        if (auto* f = qobject_cast<EntryField*>(w.data())) f->Validate(false);
}

void TfmSeTe::ReadEntryFields() {
    TSendHeader& h = working_.Head;
    TSendEntry& e = h.Entry;
    h.StNr = std::max(head_->cbStNr->currentIndex(), 0);
    h.Tge = FieldOr(sfTge_, h.Tge);
    e.Da = static_cast<std::uint8_t>(std::max(cbDa_->currentIndex(), 0));
    h.Ueb = FieldOr(sfUeb_, h.Ueb);
    h.Tfk = FieldOr(sfTfk_, h.Tfk);
    e.TelNr = static_cast<std::uint16_t>(FieldOr(sfTelNr_, e.TelNr));
    e.Sys = static_cast<std::uint8_t>(FieldOr(sfSys_, e.Sys));
    e.Lg = static_cast<std::uint8_t>(FieldOr(sfLg_, e.Lg));
    for (int i = 0; i < 9; ++i) e.B[i] = FieldByte(ctx_, *sfB_[i]).value_or(e.B[i]);
    h.Shft = std::max(cbShft_->currentIndex(), 0);
}

void TfmSeTe::ReadForm() {
    TSendHeader& h = working_.Head;
    h.FocusIndex = form_->FocusIndex();
    head_->Read(h);
    const std::string memo = Utf8ToCp1252(memo_->toPlainText().toStdString());
    if (h.Entry.Typ == kTypeFreeBits) ReadFreeBits(memo, working_);
    if (h.Entry.Typ == kTypeLevelWords) ReadLevelWords(memo, LevelTimingOf(ctx_), working_);
    ReadEntryFields();
}

void TfmSeTe::cbTelTypChange() {
    const int type = cbTelTyp_->currentIndex();
    const int before = previousType_;
    if (type < 0 || type == before) return;
    // Into a free bit string or level list, the telegram as it stands now is composed.
    const bool convert = type >= kTypeFreeBits && before >= 0 && working_.Head.Entry.Typ < 77;
    if (convert) {
        ReadEntryFields();
        ConvertToFreeBits(ctx_, working_);
    }
    ApplyTypeChange(ctx_, working_, previousType_, type);
    if (type >= kTypeFreeBits) working_.Head.Entry.Typ = static_cast<std::int8_t>(type);
    ShowTypeView(type);
    if (type >= kTypeFreeBits) FillMemo(convert);
    if (before == -1) return;
    // A real change: the template's fields and the type's name.
    head_->sfBez->setText(FromCp1252(working_.Head.Bez.str()));
    ShowEntryFields();
}

void TfmSeTe::ShowEntryFields() {
    const TSendEntry& e = working_.Head.Entry;
    cbDa_->setCurrentIndex(e.Da < cbDa_->count() ? e.Da : 0);
    sfTelNr_->setText(QString::number(e.TelNr));
    sfLg_->setText(QString::number(e.Lg));
    for (int i = 0; i < 9; ++i) sfB_[i]->setText(BitText(ctx_, e.B[i]));
}

void TfmSeTe::SetShown(QWidget* w, bool on) {
    w->setVisible(on);
    if (auto* f = qobject_cast<EntryField*>(w); f && f->label) f->label->setVisible(on);
    if (w == head_->cbStNr) head_->lblStNr->setVisible(on);
    if (w == cbDa_) lblDa_->setVisible(on);
    if (w == cbShft_) lblShft_->setVisible(on);
}

void TfmSeTe::ShowTypeView(int type) {
    const TypeView v = TypeViewOf(type, TypeTemplateOf(ctx_, type).Lg);
    for (QWidget* w : std::initializer_list<QWidget*>{head_->cbStNr, cbShft_, sfTfk_})
        SetShown(w, v.groupA);
    for (QWidget* w : std::initializer_list<QWidget*>{sfTge_, sfUeb_, cbDa_, sfSys_, sfTelNr_,
                                                      sfLg_, sfB_[0], sfB_[1]})
        SetShown(w, v.groupB);
    for (int i = 2; i < 9; ++i) SetShown(sfB_[i], !v.memo && i < v.infoFields);
    memo_->setVisible(v.memo);
    head_->lblStNr->setText(QTxt(ctx_, v.stationLabel));
    form_->SetFieldLabel(*sfTfk_, v.functionLabel);
    if (v.memo) form_->SetHint(memo_, v.memoHint);
}

void TfmSeTe::FillMemo(bool converted) {
    std::string text;
    if (working_.Head.Entry.Typ == kTypeFreeBits)
        text = FormatFreeBits(working_);
    else if (converted)
        text = FormatFrameAsLevels(working_, ctx_.emse1.P.Line[2].SpZt);
    else
        text = FormatLevelWords(ctx_, working_);
    memo_->setPlainText(FromCp1252(text));
}

bool TfmSeTe::Store() {
    cbTelTypChange();
    if (!form_->AllValid()) return false;
    ReadForm();
    StoreTelegram(ctx_, slot_, working_);
    if (onStored) onStored(slot_);
    return true;
}

void TfmSeTe::btnOKClick() {
    if (Store()) close();
}

void TfmSeTe::btnSendClick() {
    if (!Store()) return;
    TSendTelegram& stored = ctx_.sendTelegrams.Items[slot_ - 1];
    RequestSend(ctx_, stored.Head);
    form_->FocusControl(working_.Head.FocusIndex);
    if (!SendingChangesTelegram(ctx_, stored)) return;
    // Shifted bytes and counters change with each transmission: show what was sent.
    QTimer::singleShot(kShiftReadBackMs, this, [this] {
        working_ = ctx_.sendTelegrams.Items[slot_ - 1];
        FillForm();
    });
}

void TfmSeTe::Escape() {
    const bool typeChanged = cbTelTyp_->currentIndex() != previousType_;
    ReadForm();
    if ((!typeChanged && SameTelegram(working_, ctx_.sendTelegrams.Items[slot_ - 1])) ||
        AskYesNo(ctx_, txt::kAskDiscardChanges))
        close();
}

QMenu* TfmSeTe::LoadSaveMenu() const {
    return buttons_->pmLoadSave;
}

void TfmSeTe::contextMenuEvent(QContextMenuEvent* event) {
    buttons_->pmLoadSave->popup(event->globalPos());
}

void TfmSeTe::miSaveClick() {
    cbTelTypChange();
    if (!form_->AllValid()) return;
    const auto file =
        AskEditorSaveFile(ctx_, dialogs_, txt::kTelegramSave, txt::kTelegramFilePrefix, slot_);
    if (!file) return;
    Store();
    SaveEditorFile(ctx_, *file,
                   TelegramFileText(ctx_.sendTelegrams.Items[slot_ - 1], ctx_.run.FieldSeparator));
}

void TfmSeTe::miLoadClick() {
    const auto text =
        LoadEditorFile(ctx_, dialogs_, txt::kTelegramLoad, txt::kTelegramFilePrefix, slot_);
    if (!text ||
        !ApplyTelegramFileText(*text, ctx_.run.FieldSeparator, working_, ctx_.general.Type17Option))
        return;
    // The loaded telegram is shown as loaded; the field groups follow its type.
    FillForm();
    ctx_.run.SendFileModified = true;
}

void TfmSeTe::ShowSendState() {
    const TSendHeader& h = ctx_.sendTelegrams.Items[slot_ - 1].Head;
    const int state = std::clamp(h.SendState, 0, 3);
    sendState_->setText(
        FromCp1252(FormatText(ctx_.Txt(txt::kSentCountFormat), {FmtArg(h.SentCount)})) + " - " +
        QTxt(ctx_, txt::kSendStateBase + state));
}

}  // namespace vadrix
