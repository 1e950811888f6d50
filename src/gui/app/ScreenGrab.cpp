#include "gui/app/ScreenGrab.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPointer>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "app/Context.h"
#include "editors/TypeCodes.h"
#include "filters/Filter.h"
#include "gui/app/Q5MainF.h"
#include "gui/common/Dialogs.h"
#include "gui/dialogs/Q5AlgF.h"
#include "gui/dialogs/Q5FarbF.h"
#include "gui/dialogs/Q5FltF.h"
#include "gui/dialogs/Q5InfoF.h"
#include "gui/dialogs/Q5LnkF.h"
#include "gui/dialogs/Q5OptF.h"
#include "gui/dialogs/Q5SyBeF.h"
#include "gui/editors/Q5SLiF.h"
#include "gui/editors/Q5STeF.h"
#include "gui/editors/Q5TypF.h"
#include "gui/editors/SendEditors.h"
#include "gui/editors/SendListGrid.h"
#include "gui/log/Q5DruF.h"
#include "gui/params/Q5ComF.h"
#include "gui/params/Q5PdmF.h"
#include "gui/params/Q5PgStF.h"
#include "gui/programming/Q5PgF.h"

namespace vadrix {
namespace {

constexpr int kFirstDelayMs = 3000;  // the demo's traffic has filled the display by then
constexpr int kStepMs = 400;

QString LanguageName(const Context& ctx) {
    return ctx.settings.Language == 0 ? "ger" : "usa";
}

void Save(QWidget* w, const QString& dir, const QString& name) {
    const QString file = QDir(dir).filePath(name + ".png");
    if (!w->grab().save(file)) std::fprintf(stderr, "vadrix: cannot write %s\n", qPrintable(file));
}

// A dialog shown, taken and closed.
void GrabDialog(QDialog* d, const QString& dir, const QString& name, const Context& ctx) {
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->show();
    QCoreApplication::processEvents();
    Save(d, dir, name + "-" + LanguageName(ctx));
    d->close();
}

// The windows taken here never ask for a file.
Dialogs& NoDialogs() {
    struct None : Dialogs {
        using Dialogs::OpenFile;
        using Dialogs::SaveFile;
        std::optional<std::filesystem::path> OpenFile(const FileDialogTexts&,
                                                      const std::filesystem::path&) override {
            return std::nullopt;
        }
        std::optional<std::filesystem::path> SaveFile(const FileDialogTexts&,
                                                      const std::filesystem::path&) override {
            return std::nullopt;
        }
        std::optional<std::filesystem::path> ChooseFolder(int,
                                                          const std::filesystem::path&) override {
            return std::nullopt;
        }
    };
    static None none;
    return none;
}

// Each page of a dialog in turn, then the dialog goes.
void GrabPages(ChannelDialog* d, const QString& dir, const Context& ctx) {
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->show();
    for (int p = 0; p < d->Pages()->count(); ++p) {
        d->Pages()->setCurrentIndex(p);
        QCoreApplication::processEvents();
        Save(d, dir,
             d->objectName().replace("Tfm", "Q5") + "F-" + QString::number(p + 1) + "-" +
                 LanguageName(ctx));
    }
    d->close();
}

// One language's pictures, as steps a timer runs one after the other so that each window
// has been laid out and painted before it is taken.
std::vector<std::function<void()>> LanguageRound(Context& ctx, TfmMain& w, const QString& dir,
                                                 std::shared_ptr<QPointer<TfmLnk>> link) {
    return {
        [&ctx, &w] {
            w.Action("aAusgOnl")->trigger();
            (void)ctx;
        },
        [&ctx, &w, dir] { Save(&w, dir, "Q5MainF-online-" + LanguageName(ctx)); },
        [&w] { w.Action("aAusgLog")->trigger(); },
        [&ctx, &w, dir] { Save(&w, dir, "Q5MainF-log-" + LanguageName(ctx)); },
        [&ctx, &w, link] { TfmLnk::OpenLinkTest(ctx, 0, &w, *link); },
        [&ctx, dir, link] {
            if (*link) {
                Save(link->data(), dir, "Q5LnkF-" + LanguageName(ctx));
                (*link)->close();
            }
        },
        // A telegram of a measured-value type.
        [&w] { w.Action("aPaTe9")->trigger(); },
        [&ctx, &w, dir] {
            if (QWidget* e = w.Editors()->TelegramEditor()) {
                Save(e, dir, "Q5STeF-" + LanguageName(ctx));
                e->close();
            }
        },
        // A list with rows of several types, and the type picker on one of them.
        [&ctx, &w] {
            TSendList& l = ctx.sendLists.Items[0];
            const int types[] = {0, 8, 10, 16, 19, 26, 44, 45};
            for (int r = 0; r < 8; ++r) {
                ApplyTypeTemplate(TypeTemplateOf(ctx, types[r]), types[r], l.Row(r + 1));
                l.Row(r + 1).Akt = r % 3 != 2;
            }
            w.Action("aPaLi1")->trigger();
        },
        [&ctx, &w, dir] {
            if (QWidget* e = w.Editors()->ListEditor()) Save(e, dir, "Q5SLiF-" + LanguageName(ctx));
        },
        [&ctx, &w, dir] {
            TfmSeLi* e = w.Editors()->ListEditor();
            if (!e) return;
            e->Grid()->SetActiveCell(3, grid_col::kTyp);
            QTimer::singleShot(kStepMs, e, [&ctx, dir] {
                if (auto* picker = qobject_cast<TfmTyp*>(QApplication::activeModalWidget())) {
                    Save(picker, dir, "Q5TypF-" + LanguageName(ctx));
                    picker->reject();
                }
            });
            e->OpenTypePicker();
            e->close();
        },
        // Every page of both channel dialogs (the monitor device's shown as in mode 1).
        [&ctx, &w, dir] { GrabPages(new TfmCom(ctx, ctx.emse1, &w, nullptr), dir, ctx); },
        [&ctx, &w, dir] { GrabPages(new TfmPdm(ctx, ctx.emse1, &w, nullptr), dir, ctx); },
        // The general settings, the station parameters, the terminal and the programming
        // window, each shown without a device behind it.
        [&ctx, &w, dir] { GrabDialog(new TfmAlg(ctx, NoDialogs(), &w), dir, "Q5AlgF", ctx); },
        [&ctx, &w, dir] {
            const StationParamBlock example{20, 120, 25, 30, 10, 0x44, 4, 99, 7, 0x08};
            GrabDialog(new TfmPgSt(ctx, example, &w), dir, "Q5PgStF", ctx);
        },
        [&ctx, &w, dir] { GrabDialog(new TfmSyBe(ctx, &w), dir, "Q5SyBeF", ctx); },
        [&ctx, &w, dir] { GrabDialog(new TfmFarb(ctx, &w), dir, "Q5FarbF", ctx); },
        [&ctx, &w, dir] { GrabDialog(new TfmOpt(ctx, &w), dir, "Q5OptF", ctx); },
        // The display filter with a station row and a source cleared, the log filter as kept.
        [&ctx, &w, dir] {
            TFilterRecord example = ctx.general.DisplayFilter;
            example.SourceMask = 0b1011;
            example.Rows[2].RowMode = 1;
            example.Rows[2].RowValue1 = 5;
            PrepareFilter(example);
            GrabDialog(new TfmFlt(ctx, NoDialogs(), example, TfmFlt::kDisplayFilter, &w), dir,
                       "Q5FltF", ctx);
        },
        [&ctx, &w, dir] {
            GrabDialog(new TfmFlt(ctx, NoDialogs(), ctx.general.LogFilter, TfmFlt::kLogFilter, &w),
                       dir, "Q5FltF-log", ctx);
        },
        // The output dialog as it opens, and with the PDF file chosen in place of a printer.
        [&ctx, &w, dir] { GrabDialog(new TfmDruk(ctx, nullptr, &w), dir, "Q5DruF", ctx); },
        [&ctx, &w, dir] {
            auto* d = new TfmDruk(ctx, nullptr, &w);
            d->KindButton(OutputKind::kPrinter)->setChecked(true);
            d->Printers()->setCurrentIndex(d->PdfEntry());
            d->rgrAusgClick();
            d->FileChoice()->setEditText("report.pdf");
            GrabDialog(d, dir, "Q5DruF-pdf", ctx);
        },
        // The programming core sets channel 1 to its own mode: offline meanwhile.
        [&ctx, &w, dir] {
            w.Action("aGoOffl")->trigger();
            GrabDialog(new TfmPg(ctx, NoDialogs(), &w), dir, "Q5PgF", ctx);
            w.Action("aGoOnl")->trigger();
        },
        [&ctx, &w, dir] {
            auto* info = new TfmInfo(ctx, &w);
            info->setAttribute(Qt::WA_DeleteOnClose);
            info->show();
            QTimer::singleShot(kStepMs, info, [info, &ctx, dir] {
                Save(info, dir, "Q5InfoF-" + LanguageName(ctx));
                info->close();
            });
        },
    };
}

void RunSteps(std::shared_ptr<std::vector<std::function<void()>>> steps, std::size_t i,
              QWidget* guard) {
    if (i >= steps->size()) return;
    (*steps)[i]();
    QTimer::singleShot(kStepMs, guard, [steps, i, guard] { RunSteps(steps, i + 1, guard); });
}

}  // namespace

void ScheduleGrabs(Context& ctx, TfmMain& window, const QString& dir) {
    QDir().mkpath(dir);
    auto link = std::make_shared<QPointer<TfmLnk>>();
    auto steps = std::make_shared<std::vector<std::function<void()>>>();
    const int first = ctx.settings.Language;
    for (const auto& s : LanguageRound(ctx, window, dir, link)) steps->push_back(s);
    // The other language, switched as the user switches it.
    steps->push_back([&window, first] {
        window.findChild<QAction*>(first == 0 ? "miUsa" : "miGer")->trigger();
    });
    for (const auto& s : LanguageRound(ctx, window, dir, link)) steps->push_back(s);
    steps->push_back([&window, first] {
        window.findChild<QAction*>(first == 0 ? "miGer" : "miUsa")->trigger();
    });
    steps->push_back([&window] { window.close(); });
    QTimer::singleShot(kFirstDelayMs, &window, [steps, &window] { RunSteps(steps, 0, &window); });
}

}  // namespace vadrix
