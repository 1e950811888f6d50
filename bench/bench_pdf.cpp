// The printed pages of a log into a PDF file: logs of 100,000 and 1,000,000 mixed records
// in the logical format, in pages and records per second. The resident memory is sampled as
// the output runs: at a tenth of the log and at its end. What the PDF writer keeps a page
// (an offset and an entry of the page list) is all that may grow; the pages themselves must
// not stay in memory.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/Context.h"
#include "interpret/LineGenerator.h"
#include "output/Output.h"
#include "print/PainterCanvas.h"
#include "support/MixedLog.h"
#include "support/TestContext.h"

namespace vadrix::testing {
namespace {

double ResidentMB() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * 4096.0 / (1024.0 * 1024.0);
}

void BM_Pdf(benchmark::State& state) {
    const int records = static_cast<int>(state.range(0));
    const std::filesystem::path& log = MixedLog(records);
    TestContext tc;
    tc->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa");
    tc->settings.Language = 1;
    tc->run.LogFilePath = log;
    tc->log.Open(log, false);
    OutputOptions o;
    o.interpret = SettingsFromLogHeader(*tc, tc->log.Header());
    o.interpret.format = DisplayFormat::afLog;
    double atTenth = 0, atEnd = 0;
    o.progress = [&](int percent) {
        if (percent >= 10 && atTenth == 0) atTenth = ResidentMB();
        atEnd = ResidentMB();
        return false;
    };
    const std::filesystem::path out = Dir() / "pages.pdf";
    int pages = 0;
    for (auto _ : state) {
        PdfCanvas canvas(QString::fromStdString(out.string()));
        o.printer = &canvas;
        if (WriteLog(*tc, {}, OutputKind::kPrinter, o) != OutputResult::kDone)
            state.SkipWithError("output failed");
        pages = canvas.Pages();
    }
    state.SetItemsProcessed(state.iterations() * records);
    state.counters["pages"] = pages;
    state.counters["pages_per_s"] =
        benchmark::Counter(static_cast<double>(pages) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    state.counters["rss_at_10pct_MB"] = atTenth;
    state.counters["rss_at_end_MB"] = atEnd;
    state.counters["pdf_MB"] =
        static_cast<double>(std::filesystem::file_size(out)) / (1024.0 * 1024.0);
}
BENCHMARK(BM_Pdf)->Arg(100000)->Arg(1000000)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
}  // namespace vadrix::testing

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
