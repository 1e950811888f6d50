#include "gui/editors/Q5SLiF.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "common/TextIds.h"
#include "editors/EditorSession.h"
#include "editors/SendControl.h"
#include "editors/SendListRows.h"
#include "editors/SendTextFile.h"
#include "gui/common/Dialogs.h"
#include "gui/common/Help.h"
#include "gui/common/QtText.h"
#include "gui/editors/EditorForm.h"
#include "gui/editors/Q5TypF.h"
#include "gui/editors/SendListGrid.h"

namespace vadrix {

namespace {

constexpr int kHelpContext = 5200;
constexpr int kMinWidth = 320;
constexpr int kMaxWidth = 520;
constexpr int kMinHeight = 240;
constexpr int kHeight = 620;
constexpr int kColumnWidths[grid_col::kCount] = {40, 34, 48, 30, 30, 50, 0};
// The hint of each grid column; the information column's follows the row's type.
constexpr int kColumnHints[grid_col::kCount] = {
    txt::kGeneralHint, txt::kGeneralHint,   txt::kGridTypeHint,      txt::kGridDataKindHint,
    txt::kSystemHint,  txt::kGridTelNoHint, txt::kGridInfoHintSuffix};

}  // namespace

TfmSeLi::TfmSeLi(Context& ctx, Dialogs& dialogs, QWidget* mainWindow, int slot, int handle)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint),
      ctx_(ctx),
      dialogs_(dialogs),
      slot_(slot),
      handle_(handle),
      working_(BeginListEdit(ctx, slot)) {
    setObjectName("TfmSeLi");
    setAttribute(Qt::WA_DeleteOnClose);
    BuildControls();
    ApplyTexts();
    setMinimumSize(kMinWidth, kMinHeight);
    setMaximumWidth(kMaxWidth);
    resize(kMaxWidth, kHeight);
    move(EditorPosition(mainWindow, kMaxWidth));
    FillForm();
}

TfmSeLi::~TfmSeLi() {
    form_->onEscape = nullptr;
    form_->keepsEnter = nullptr;
}

void TfmSeLi::BuildControls() {
    auto* root = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    root->addLayout(grid);
    stbrSeLi_ = new QStatusBar(this);
    form_ = new EditorForm(ctx_, this, stbrSeLi_);
    form_->onEscape = [this] { Escape(); };
    form_->keepsEnter = [this](QWidget* w) { return w == tbObj_; };

    head_ = std::make_unique<SendHeaderFields>(ctx_, this, true);
    SendHeaderFields& h = *head_;
    LayOutHeader(*grid, h);
    grid->addWidget(h.sfAnzO->label, 4, 2);
    grid->addWidget(h.sfAnzO, 4, 3);
    grid->addWidget(h.sfWZt->label, 5, 0);
    grid->addWidget(h.sfWZt, 5, 1);
    grid->addWidget(h.lblStNr, 5, 2);
    grid->addWidget(h.cbStNr, 5, 3);
    connect(h.sfSend, &EntryField::accepted, this, [this] {
        working_.Head.Send = 2 * FieldNumber(*head_->sfSend).value_or(1);
        head_->FillStations(working_.Head);
    });

    tbObj_ = new SendGrid(ctx_, this);
    tbObj_->setObjectName("tbObj");
    model_ = new SendListModel(ctx_, working_, tbObj_);
    tbObj_->setModel(model_);
    for (int c = 0; c < grid_col::kCount - 1; ++c)
        tbObj_->horizontalHeader()->resizeSection(c, kColumnWidths[c]);
    tbObj_->horizontalHeader()->setStretchLastSection(true);
    root->addWidget(tbObj_, 1);
    connect(tbObj_, &SendGrid::cellEntered, this, &TfmSeLi::GridCellEntered);
    connect(tbObj_, &SendGrid::rightClicked, this, &TfmSeLi::GridRightClick);

    root->addSpacing(16);
    buttons_ = std::make_unique<EditorButtons>(this, root);
    root->addWidget(stbrSeLi_);
    connect(buttons_->btnSend, &QPushButton::clicked, this, &TfmSeLi::btnSendClick);
    connect(buttons_->btnOK, &QPushButton::clicked, this, &TfmSeLi::btnOkClick);
    connect(buttons_->btnHelp, &QPushButton::clicked, this,
            [this] { OpenHelp(ctx_, kHelpContext); });
    connect(buttons_->miLoad, &QAction::triggered, this, &TfmSeLi::miLoadClick);
    connect(buttons_->miSave, &QAction::triggered, this, &TfmSeLi::miSaveClick);

    // The grid's commands, on its keys and in its pop-up menu.
    pmEdit_ = new QMenu(this);
    auto gridAction = [this](const char* name, QKeySequence key, void (TfmSeLi::*slot)()) {
        QAction* a = pmEdit_->addAction(QString(), this, slot);
        a->setObjectName(name);
        a->setShortcut(key);
        a->setShortcutContext(Qt::WidgetShortcut);
        tbObj_->addAction(a);
        return a;
    };
    miCut_ = gridAction("miCut", QKeySequence::Cut, &TfmSeLi::Cut);
    miCopy_ = gridAction("miCopy", QKeySequence::Copy, &TfmSeLi::Copy);
    miPaste_ = gridAction("miPaste", QKeySequence::Paste, &TfmSeLi::Paste);
    pmEdit_->addSeparator();
    miInsert_ = gridAction("miInsert", QKeySequence(Qt::Key_Insert), &TfmSeLi::InsertRow);
    miDelete_ =
        gridAction("miDelete", QKeySequence(Qt::CTRL | Qt::Key_Delete), &TfmSeLi::DeleteRows);
    connect(pmEdit_, &QMenu::aboutToShow, this, &TfmSeLi::pmEditPopup);
    // F12 asks for the type picker, also while the main window's filter has given it up.
    auto* f12 =
        new QShortcut(QKeySequence(Qt::Key_F12), tbObj_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(f12, &QShortcut::activated, this, &TfmSeLi::OpenTypePicker);

    std::vector<QWidget*> order = h.Controls();
    for (QWidget* w :
         std::initializer_list<QWidget*>{h.cbStNr, tbObj_, buttons_->btnSend, buttons_->btnOK,
                                         buttons_->btnAbbr, buttons_->btnHelp})
        order.push_back(w);
    for (std::size_t i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
    for (QWidget* w : order) form_->AddControl(w, txt::kGeneralHint);
}

void TfmSeLi::ApplyTexts() {
    setWindowTitle(QTxt(ctx_, txt::kSendListName) + QString::number(slot_) +
                   QTxt(ctx_, txt::kEditorCaptionSuffix));
    head_->ApplyTexts(*form_);
    model_->headerDataChanged(Qt::Horizontal, 0, grid_col::kCount - 1);
    buttons_->ApplyTexts(ctx_, txt::kListLoad, txt::kListSave);
    miCut_->setText(QTxt(ctx_, txt::kMenuCut));
    miCopy_->setText(QTxt(ctx_, txt::kMenuCopy));
    miPaste_->setText(QTxt(ctx_, txt::kMenuPaste));
    miInsert_->setText(QTxt(ctx_, txt::kMenuInsertRow));
    miDelete_->setText(QTxt(ctx_, txt::kMenuDeleteRows));
    lastHintRow_ = lastHintColumn_ = -1;
}

void TfmSeLi::FillForm() {
    head_->Fill(working_.Head);
    head_->FillStations(working_.Head);
    model_->Reset();
    for (const QPointer<QWidget>& w : form_->Controls())
        if (auto* f = qobject_cast<EntryField*>(w.data())) f->Validate(false);
}

void TfmSeLi::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!firstShow_) return;
    firstShow_ = false;
    form_->FocusControl(working_.Head.FocusIndex);
    tbObj_->SetActiveCell(std::max(working_.CurRow, 1) - 1, std::max(working_.CurCol, 1));
}

void TfmSeLi::ReadForm() {
    working_.Head.FocusIndex = form_->FocusIndex();
    const QModelIndex at = tbObj_->currentIndex();
    if (at.isValid()) {
        working_.CurRow = at.row() + 1;
        working_.CurCol = std::max(at.column(), 1);
    }
    head_->Read(working_.Head);
}

bool TfmSeLi::Validate() {
    return tbObj_->EndEdit() && form_->AllValid();
}

bool TfmSeLi::Store() {
    ReadForm();
    StoreList(ctx_, slot_, working_);
    if (onStored) onStored(slot_);
    return true;
}

void TfmSeLi::btnOkClick() {
    if (!Validate()) return;
    working_.Head.NotifyWindow = 0;
    Store();
    close();
}

void TfmSeLi::btnSendClick() {
    if (!Validate()) return;
    working_.Head.NotifyWindow = handle_;
    Store();
    TSendList& stored = ctx_.sendLists.Items[slot_ - 1];
    stored.NextRow = std::max(working_.CurRow, 1);
    RequestSendList(ctx_, stored);
    form_->FocusControl(working_.Head.FocusIndex);
}

void TfmSeLi::Escape() {
    tbObj_->EndEdit();
    ReadForm();
    if (SameList(working_, ctx_.sendLists.Items[slot_ - 1]) ||
        AskYesNo(ctx_, txt::kAskDiscardChanges))
        close();
}

void TfmSeLi::FollowScheduler() {
    const TSendList& stored = ctx_.sendLists.Items[slot_ - 1];
    if (FollowListPass(ctx_, working_, stored)) tbObj_->viewport()->update();
    tbObj_->SetActiveCell(working_.CurRow - 1, std::max(working_.CurCol, 1));
}

void TfmSeLi::GridCellEntered(int row, int column) {
    if (row == lastHintRow_ && column == lastHintColumn_) return;
    lastHintRow_ = row;
    lastHintColumn_ = column;
    QString hint = QTxt(ctx_, kColumnHints[column]);
    if (column == grid_col::kInf)
        hint = QTxt(ctx_, txt::kTypeNameBase + model_->Entry(row).Typ) + hint;
    stbrSeLi_->showMessage(hint);
}

void TfmSeLi::OpenTypePicker() {
    const QModelIndex at = tbObj_->currentIndex();
    if (!at.isValid() || at.column() != grid_col::kTyp || tbObj_->SelectedRowCount() > 1) return;
    if (!tbObj_->EndEdit()) return;
    const QRect cell = tbObj_->visualRect(at);
    const QPoint cellLeft = tbObj_->viewport()->mapToGlobal(cell.topLeft());
    TfmTyp picker(ctx_, model_->Entry(at.row()).Typ, cellLeft, frameGeometry().top(), this);
    if (picker.exec() == QDialog::Accepted && picker.ChosenType() >= 0)
        model_->SetRowType(at.row(), picker.ChosenType());
}

void TfmSeLi::GridRightClick(QPoint globalPos) {
    if (tbObj_->currentIndex().column() == grid_col::kTyp && tbObj_->SelectedRowCount() <= 1) {
        OpenTypePicker();
        return;
    }
    pmEdit_->popup(globalPos);
}

void TfmSeLi::pmEditPopup() {
    const bool rows = tbObj_->SelectedRowCount() > 0;
    miCut_->setEnabled(rows);
    miCopy_->setEnabled(rows);
    miDelete_->setEnabled(rows);
    const std::string clip = Utf8ToCp1252(QApplication::clipboard()->text().toStdString());
    miPaste_->setEnabled(CanPasteRows(clip, ctx_.run.FieldSeparator, ctx_.general.Type17Option));
}

void TfmSeLi::Copy() {
    const auto [first, last] = tbObj_->SelectedRows();
    if (first < 0) return;
    const std::string text = CopyRows(working_, first + 1, last + 1, ctx_.run.FieldSeparator);
    QApplication::clipboard()->setText(FromCp1252(text));
}

void TfmSeLi::Cut() {
    const auto [first, last] = tbObj_->SelectedRows();
    if (first < 0) return;
    const std::string text = CutRows(working_, first + 1, last + 1, ctx_.run.FieldSeparator);
    QApplication::clipboard()->setText(FromCp1252(text));
    model_->Reset();
    tbObj_->SetActiveCell(first, grid_col::kAkt);
}

void TfmSeLi::Paste() {
    const int at = tbObj_->currentIndex().row();
    if (at < 0) return;
    const std::string clip = Utf8ToCp1252(QApplication::clipboard()->text().toStdString());
    const int column = std::max(tbObj_->currentIndex().column(), 1);
    if (PasteRows(working_, at + 1, clip, ctx_.run.FieldSeparator, ctx_.general.Type17Option) == 0)
        return;
    model_->Reset();
    tbObj_->SetActiveCell(at, column);
}

void TfmSeLi::InsertRow() {
    const int at = tbObj_->currentIndex().row();
    if (at < 0) return;
    // One default row goes in; the last row of the 400 falls off.
    PasteRows(working_, at + 1, EntryLine(TSendEntry{}, ctx_.run.FieldSeparator) + "\r\n",
              ctx_.run.FieldSeparator);
    model_->Reset();
    tbObj_->SetActiveCell(at, std::max(tbObj_->currentIndex().column(), 1));
}

void TfmSeLi::DeleteRows() {
    const auto [first, last] = tbObj_->SelectedRows();
    if (first < 0) return;
    CutRows(working_, first + 1, last + 1, ctx_.run.FieldSeparator);
    model_->Reset();
    tbObj_->SetActiveCell(first, grid_col::kAkt);
}

QMenu* TfmSeLi::LoadSaveMenu() const {
    return buttons_->pmLoadSave;
}

void TfmSeLi::contextMenuEvent(QContextMenuEvent* event) {
    buttons_->pmLoadSave->popup(event->globalPos());
}

void TfmSeLi::miSaveClick() {
    if (!Validate()) return;
    const auto file =
        AskEditorSaveFile(ctx_, dialogs_, txt::kListSave, txt::kListFilePrefix, slot_);
    if (!file) return;
    Store();
    SaveEditorFile(ctx_, *file,
                   ListFileText(ctx_.sendLists.Items[slot_ - 1], ctx_.run.FieldSeparator));
}

void TfmSeLi::miLoadClick() {
    const auto text = LoadEditorFile(ctx_, dialogs_, txt::kListLoad, txt::kListFilePrefix, slot_);
    if (!text ||
        !ApplyListFileText(*text, ctx_.run.FieldSeparator, working_, ctx_.general.Type17Option))
        return;
    FillForm();
    ctx_.run.SendFileModified = true;
    tbObj_->SetActiveCell(0, grid_col::kAkt);
}

}  // namespace vadrix
