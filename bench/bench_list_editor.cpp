// The send list editor's grid on 400 rows of mixed types, drawn by the real widgets on the
// offscreen platform:
// - BM_ListEditorOpen: the editor made and shown with its grid painted once;
// - BM_ListEditorScrollRedraw: one page of the grid scrolled and painted again, down through
//   all 400 rows and back (target: under 16 ms each).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>

#include "FakeDialogs.h"
#include "app/SendDefaults.h"
#include "editors/TypeCodes.h"
#include "gui/editors/Q5SLiF.h"
#include "gui/editors/SendListGrid.h"
#include "support/TestContext.h"

namespace vadrix::testing {
namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench_list_editor";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

struct ListRig {
    ListRig() {
        App();
        tc->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa");
        tc->settings.Language = 1;
        SetDefaultSendTelegrams(*tc);
        SetDefaultSendLists(*tc);
        // Every row a different type in turn, so each information cell has its own form.
        TSendList& l = tc->sendLists.Items[0];
        for (int r = 1; r <= kSendListRows; ++r) {
            const int type = r % (kLastListType + 1);
            ApplyTypeTemplate(TypeTemplateOf(*tc, type), type, l.Row(r));
            l.Row(r).Akt = r % 2;
        }
    }
    TestContext tc;
    FakeDialogs dialogs;
};

void Paint(QWidget* w) {
    w->repaint();
    QCoreApplication::processEvents();
}

void BM_ListEditorOpen(benchmark::State& state) {
    ListRig rig;
    for (auto _ : state) {
        auto* e = new TfmSeLi(*rig.tc, rig.dialogs, nullptr, 1, 1);
        e->show();
        Paint(e->Grid()->viewport());
        delete e;
    }
}
BENCHMARK(BM_ListEditorOpen)->Unit(benchmark::kMillisecond);

void BM_ListEditorScrollRedraw(benchmark::State& state) {
    ListRig rig;
    TfmSeLi e(*rig.tc, rig.dialogs, nullptr, 1, 1);
    e.show();
    QScrollBar* bar = e.Grid()->verticalScrollBar();
    Paint(e.Grid()->viewport());
    int step = bar->pageStep();
    for (auto _ : state) {
        if (bar->value() + step > bar->maximum() || bar->value() + step < 0) step = -step;
        bar->setValue(bar->value() + step);
        Paint(e.Grid()->viewport());
    }
    state.counters["rows_per_page"] = bar->pageStep();
}
BENCHMARK(BM_ListEditorScrollRedraw)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vadrix::testing

BENCHMARK_MAIN();
