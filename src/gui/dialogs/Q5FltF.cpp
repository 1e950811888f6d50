#include "gui/dialogs/Q5FltF.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDate>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "app/TimeBase.h"
#include "common/TextIds.h"
#include "filters/Filter.h"
#include "gui/common/Dialogs.h"
#include "gui/common/Form.h"
#include "gui/common/QtText.h"
#include "interpret/InterpretText.h"

namespace vadrix {

namespace {

constexpr int kWidth = 600;
constexpr int kModeItems = 3;
constexpr int kCompareItems = 3;
constexpr int kSourceItems = 4;
constexpr int kDataKindItems = 4;
// Record number, frame length, station, object number.
constexpr std::array<int, kFilterRows> kRowLargest{std::numeric_limits<std::int32_t>::max(), 261,
                                                   127, 1023};
constexpr std::array<int, kFilterRows> kRowField{kRowFieldRecordNumber, kRowFieldFrameLength,
                                                 kRowFieldStation, kRowFieldObject};
const QDate kDayZero(1899, 12, 30);

// A stored time (days with fraction) as a date and a time of day; damaged values give day 0.
void SplitStamp(double time, QDate& date, QTime& clock) {
    std::int64_t day = 0;
    std::int64_t ms = 0;
    SplitTime(time, day, ms);
    date = kDayZero.addDays(day);
    clock = QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms));
}

double JoinStamp(const QDate& date, const QTime& clock) {
    return static_cast<double>(kDayZero.daysTo(date)) +
           static_cast<double>(clock.msecsSinceStartOfDay()) / static_cast<double>(kMsPerDay);
}

QListWidget* NewCheckList(const Context& ctx, QWidget* parent, const char* name, int items) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    for (const std::string& item : ParseCommaText(ctx.Txt(items))) {
        auto* entry = new QListWidgetItem(FromCp1252(item), list);
        entry->setFlags(entry->flags() | Qt::ItemIsUserCheckable);
        entry->setCheckState(Qt::Unchecked);
    }
    return list;
}

// Item i checked for bit i of the mask; a mask of 0 means all.
void ShowMask(QListWidget& list, std::int32_t mask, std::int32_t all) {
    if (mask == 0) mask = all;
    for (int i = 0; i < list.count(); ++i)
        list.item(i)->setCheckState((mask >> i) & 1 ? Qt::Checked : Qt::Unchecked);
}

std::int32_t ReadMask(const QListWidget& list, int bits) {
    std::int32_t mask = 0;
    for (int i = 0; i < std::min(list.count(), bits); ++i)
        if (list.item(i)->checkState() == Qt::Checked) mask |= 1 << i;
    return mask;
}

bool Checked(const QListWidget& list, int i) {
    return i < list.count() && list.item(i)->checkState() == Qt::Checked;
}

}  // namespace

int TfmFlt::RowLargest(int row) {
    return kRowLargest[static_cast<std::size_t>(row)];
}

TfmFlt::TfmFlt(Context& ctx, Dialogs& dialogs, const TFilterRecord& filter, int which,
               QWidget* mainWindow)
    : QDialog(mainWindow),
      ctx_(ctx),
      dialogs_(dialogs),
      filter_(filter),
      status_(new QStatusBar(this)) {
    setObjectName("TfmFlt");
    setWindowTitle(
        QTxt(ctx_, which == kLogFilter ? txt::kFilterCaptionLog : txt::kFilterCaptionDisplay));
    form_ = new EditorForm(ctx_, this, status_);
    form_->onEscape = [this] { reject(); };
    form_->onEnter = [this](QWidget* w) { Entered(w); };
    form_->onLeave = [](QWidget* w) {
        if (auto* list = qobject_cast<QListWidget*>(w)) list->clearSelection();
    };

    // The time window.
    const bool german = ctx_.settings.Language == 0;
    auto timeRow = [&](const char* check, const char* date, const char* clock, int caption,
                       QCheckBox*& c, QDateEdit*& d, QTimeEdit*& t) {
        c = new QCheckBox(QTxt(ctx_, caption), this);
        c->setObjectName(check);
        d = new QDateEdit(this);
        d->setObjectName(date);
        d->setCalendarPopup(true);
        d->setDisplayFormat(german ? "dd.MM.yyyy" : "yyyy-MM-dd");
        t = new QTimeEdit(this);
        t->setObjectName(clock);
        t->setDisplayFormat("HH:mm:ss");
        // Room for the whole date beside the calendar button.
        d->setMinimumWidth(d->sizeHint().width() + d->fontMetrics().averageCharWidth() * 2);
    };
    timeRow("chbVon", "dtVon", "tmVon", txt::kFromLabel, chbVon_, dtVon_, tmVon_);
    timeRow("chbBis", "dtBis", "tmBis", txt::kToLabel, chbBis_, dtBis_, tmBis_);
    auto* times = new QGridLayout;
    times->addWidget(chbVon_, 0, 0);
    times->addWidget(dtVon_, 0, 1);
    times->addWidget(tmVon_, 0, 2);
    times->addWidget(chbBis_, 1, 0);
    times->addWidget(dtBis_, 1, 1);
    times->addWidget(tmBis_, 1, 2);
    times->setColumnStretch(3, 1);

    // The check lists side by side, each under its label.
    chlbStat_ = NewCheckList(ctx_, this, "chlbStat", txt::kStatusItems);
    chlbTKen_ = NewCheckList(ctx_, this, "chlbTKen", txt::kSourceItems);
    chlbDa_ = NewCheckList(ctx_, this, "chlbDa", txt::kDataKindItems);
    auto* lists = new QGridLayout;
    const std::pair<const char*, int> listLabels[] = {{"lblTStat", txt::kStatusLabel},
                                                      {"lblTKen", txt::kSourceLabel},
                                                      {"lblDa", txt::kDataKindLabel}};
    QListWidget* const listWidgets[] = {chlbStat_, chlbTKen_, chlbDa_};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(QTxt(ctx_, listLabels[i].second), this);
        label->setObjectName(listLabels[i].first);
        label->setBuddy(listWidgets[i]);
        QListWidget* list = listWidgets[i];
        // Room for four items without a scroll bar.
        const int itemHeight = std::max(list->sizeHintForRow(0), list->fontMetrics().height());
        list->setFixedHeight(itemHeight * 4 + 2 * list->frameWidth() + 4);
        lists->addWidget(label, 0, i);
        lists->addWidget(list, 1, i);
    }

    // The rows: a label, the mode, the first value, the comparison and the second value.
    auto* rowGrid = new QGridLayout;
    rowGrid->setColumnStretch(2, 1);
    rowGrid->setColumnStretch(4, 1);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        Row& r = rows_[i];
        const QString suffix = i == 0 ? QString() : QString("_%1").arg(i + 1);
        r.largest = kRowLargest[i];
        r.label = new QLabel(QTxt(ctx_, txt::kRowLabelBase + kRowField[i]), this);
        r.label->setObjectName("lblTNr" + suffix);
        r.mode = new QComboBox(this);
        r.mode->setObjectName("cbTNr1" + suffix);
        form_->FillComboFromTexts(*r.mode, nullptr, txt::kRowModeItems);
        r.compare = new QComboBox(this);
        r.compare->setObjectName("cbTNr2" + suffix);
        form_->FillComboFromTexts(*r.compare, nullptr, txt::kRowCompareItems);
        r.value1 = new EntryField(ctx_, this);
        r.value1->setObjectName("sfTNr1" + suffix);
        r.value2 = new EntryField(ctx_, this);
        r.value2->setObjectName("sfTNr2" + suffix);
        const int digits = static_cast<int>(QString::number(r.largest).size());
        for (EntryField* f : {r.value1, r.value2}) {
            MakeNumberField(ctx_, *f, 0, r.largest, digits);
            f->setTextMargins(5, 0, 5, 0);
        }
        r.label->setBuddy(r.mode);
        const int row = static_cast<int>(i);
        rowGrid->addWidget(r.label, row, 0);
        rowGrid->addWidget(r.mode, row, 1);
        rowGrid->addWidget(r.value1, row, 2);
        rowGrid->addWidget(r.compare, row, 3);
        rowGrid->addWidget(r.value2, row, 4);
    }

    auto* root = new QVBoxLayout(this);
    root->addLayout(times);
    root->addLayout(lists);
    root->addLayout(rowGrid);
    // OK, Cancel, Help and Reset in one row, then the status bar.
    const DialogButtons buttons =
        AddDialogButtons(*this, *root, nullptr, ctx_, txt::kButtonOk, which);
    btnReset_ = new QPushButton(QTxt(ctx_, txt::kButtonReset), this);
    btnReset_->setObjectName("btnReset");
    btnReset_->setAutoDefault(false);
    if (auto* buttonRow = qobject_cast<QBoxLayout*>(root->itemAt(root->count() - 1)->layout()))
        buttonRow->addWidget(btnReset_);
    root->addWidget(status_);
    connect(btnReset_, &QPushButton::clicked, this, &TfmFlt::Reset);

    std::vector<QWidget*> controls{chbVon_, dtVon_,    tmVon_,    chbBis_, dtBis_,
                                   tmBis_,  chlbStat_, chlbTKen_, chlbDa_};
    for (const Row& r : rows_)
        controls.insert(controls.end(), {r.mode, r.value1, r.compare, r.value2});
    controls.insert(controls.end(), {buttons.ok, buttons.cancel, buttons.help, btnReset_});
    for (QWidget* w : controls) form_->AddControl(w, txt::kGeneralHint);
    for (QWidget* w : controls) w->setContextMenuPolicy(Qt::NoContextMenu);

    // Loading and saving filter files.
    pmLoadSave_ = new QMenu(this);
    pmLoadSave_->setObjectName("pmLoadSave");
    QAction* load = pmLoadSave_->addAction(QTxt(ctx_, txt::kFilterLoad));
    load->setObjectName("miLoad");
    QAction* save = pmLoadSave_->addAction(QTxt(ctx_, txt::kFilterSave));
    save->setObjectName("miSave");
    connect(load, &QAction::triggered, this, &TfmFlt::Load);
    connect(save, &QAction::triggered, this, &TfmFlt::Save);

    Show();
    resize(kWidth, sizeHint().height());
    move(EditorPosition(mainWindow, kWidth));
    form_->FocusControl(filter_.FocusIndex);
}

void TfmFlt::contextMenuEvent(QContextMenuEvent* event) {
    pmLoadSave_->exec(event->globalPos());
}

void TfmFlt::Show() {
    // A bound that is off shows the log's oldest (newest) time; an empty log shows now.
    const TLogDirectory& dir = ctx_.log.Directory();
    const std::uint32_t records = ctx_.log.RecordCount();
    const double now = records == 0 ? TimeStamp(ctx_) : 0.0;
    const auto showBound = [&](QCheckBox* check, QDateEdit* day, QTimeEdit* clock, bool on,
                               double stored, double logEnd) {
        QDate date;
        QTime time;
        SplitStamp(on ? stored : records != 0 ? logEnd : now, date, time);
        check->setChecked(on);
        day->setDate(date);
        clock->setTime(time);
    };
    showBound(chbVon_, dtVon_, tmVon_, filter_.FromEnabled != 0, filter_.FromTime, dir.OldestTime);
    showBound(chbBis_, dtBis_, tmBis_, filter_.ToEnabled != 0, filter_.ToTime, dir.NewestTime);

    // Both status boxes clear means both.
    const bool both = filter_.ShowGood == 0 && filter_.ShowFaulty == 0;
    chlbStat_->item(0)->setCheckState(both || filter_.ShowGood != 0 ? Qt::Checked : Qt::Unchecked);
    chlbStat_->item(1)->setCheckState(both || filter_.ShowFaulty != 0 ? Qt::Checked
                                                                      : Qt::Unchecked);
    ShowMask(*chlbTKen_, filter_.SourceMask, kAllSources);
    ShowMask(*chlbDa_, filter_.DataKindMask, kAllDataKinds);

    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const TFilterRow& stored = filter_.Rows[i];
        const Row& r = rows_[i];
        r.mode->setCurrentIndex(std::clamp(stored.RowMode, 0, kModeItems - 1));
        r.compare->setCurrentIndex(std::clamp(stored.RowCompare, 0, kCompareItems - 1));
        std::int64_t v1 = stored.RowValue1;
        std::int64_t v2 = stored.RowValue2;
        // The record number row, while off, offers the whole log.
        if (i == 0 && stored.RowMode == 0) {
            v1 = 1;
            v2 = records;
        }
        r.value1->setText(QString::number(v1));
        r.value2->setText(QString::number(v2));
        r.value1->Validate(false);
        r.value2->Validate(false);
    }
}

bool TfmFlt::ReadBack() {
    if (!form_->AllValid()) return false;
    filter_.FocusIndex = form_->FocusIndex();
    filter_.FromEnabled = chbVon_->isChecked() ? 1 : 0;
    filter_.ToEnabled = chbBis_->isChecked() ? 1 : 0;
    filter_.FromTime = JoinStamp(dtVon_->date(), tmVon_->time());
    filter_.ToTime = JoinStamp(dtBis_->date(), tmBis_->time());
    filter_.ShowGood = Checked(*chlbStat_, 0) ? 1 : 0;
    filter_.ShowFaulty = Checked(*chlbStat_, 1) ? 1 : 0;
    filter_.SourceMask = ReadMask(*chlbTKen_, kSourceItems);
    filter_.DataKindMask = ReadMask(*chlbDa_, kDataKindItems);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        TFilterRow& stored = filter_.Rows[i];
        const Row& r = rows_[i];
        stored.RowMode = std::max(r.mode->currentIndex(), 0);
        stored.RowValue1 = FieldNumber(*r.value1).value_or(0);
        stored.RowCompare = std::max(r.compare->currentIndex(), 0);
        stored.RowValue2 = FieldNumber(*r.value2).value_or(0);
    }
    PrepareFilter(filter_);
    return true;
}

void TfmFlt::accept() {
    if (!ReadBack()) return;
    QDialog::accept();
}

void TfmFlt::Reset() {
    filter_ = TFilterRecord{};
    PrepareFilter(filter_);
    Show();
}

void TfmFlt::Load() {
    const auto file = dialogs_.OpenFile(
        FileDialogTexts{txt::kFilterLoad, txt::kFilterFileFilter, txt::kFilterDefaultExt},
        ctx_.run.DataDirectory / "Filter");
    // A file of another size or marker is no filter file: nothing happens.
    if (file && LoadFilterFile(*file, filter_)) Show();
}

void TfmFlt::Save() {
    if (!ReadBack()) return;
    const auto file = dialogs_.SaveFile(
        FileDialogTexts{txt::kFilterSave, txt::kFilterFileFilter, txt::kFilterDefaultExt},
        ctx_.run.DataDirectory / "Filter");
    if (file && !SaveFilterFile(*file, filter_))
        ctx_.ui.ShowMessage(ctx_.Txt(txt::kFileWriteFailed), MessageKind::kError,
                            MessageButtons::kOk);
}

void TfmFlt::Entered(QWidget* w) {
    for (const Row& r : rows_) {
        if (w != r.value1 && w != r.value2) continue;
        status_->showMessage(QTxt(ctx_, txt::kValueHint) + QString::number(r.largest) +
                             QTxt(ctx_, txt::kValueHintEnd));
        return;
    }
}

bool EditFilter(Context& ctx, Dialogs& dialogs, QWidget* mainWindow, int which) {
    TFilterRecord& filter =
        which == TfmFlt::kLogFilter ? ctx.general.LogFilter : ctx.general.DisplayFilter;
    TfmFlt dialog(ctx, dialogs, filter, which, mainWindow);
    if (dialog.exec() != QDialog::Accepted) return false;
    filter = dialog.Filter();
    filter.FilterOn = filter.FilterActive != 0 ? 1 : 0;
    return true;
}

}  // namespace vadrix
