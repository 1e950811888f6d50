// The printer's pages as a PDF file: as many pages as the lines need at the page's length,
// each with its heading; the first page as an image shows the heading at the top margin;
// a cancelled or failed job leaves no half-written file under the target's name.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Context.h"
#include "common/TextIds.h"
#include "interpret/LineGenerator.h"
#include "output/Output.h"
#include "print/PainterCanvas.h"
#include "support/MixedLog.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix::testing {
namespace {

QGuiApplication& GuiApp() {
    static int argc = 1;
    static char name[] = "test_print";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: tearing Qt down in the exit handlers crashes.
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    return *app;
}

// Standard output of a shell command, or nullopt when it failed.
std::optional<std::string> Capture(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return std::nullopt;
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;)
        out.append(buffer, n);
    if (pclose(pipe.release()) != 0) return std::nullopt;
    return out;
}

bool HavePdfTools() {
    return Capture("command -v pdfinfo pdftotext pdftoppm").has_value();
}

int PdfPages(const std::filesystem::path& pdf) {
    const auto info = Capture("pdfinfo '" + pdf.string() + "'");
    if (!info) return -1;
    const auto at = info->find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(info->substr(at + 6));
}

int LineCount(const std::filesystem::path& file) {
    std::ifstream in(file);
    int n = 0;
    for (std::string line; std::getline(in, line);) ++n;
    return n;
}

std::vector<std::string> Files(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class PdfOutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        GuiApp();
        if (!HavePdfTools()) GTEST_SKIP() << "the PDF tools (poppler-utils) are not installed";
        ASSERT_TRUE(tc->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
        tc->run.DataDirectory = dir.path();
        tc->run.LogFilePath = MixedLog(kRecords);
        ASSERT_TRUE(tc->log.Open(tc->run.LogFilePath, false));
    }
    OutputOptions Options() {
        OutputOptions o;
        o.interpret = SettingsFromContext(*tc);
        o.interpret.format = DisplayFormat::afLog;
        return o;
    }
    OutputResult Print(PdfCanvas& canvas, const std::function<bool(int)>& progress = {}) {
        OutputOptions o = Options();
        o.printer = &canvas;
        o.progress = progress;
        return WriteLog(*tc, {}, OutputKind::kPrinter, o);
    }

    static constexpr int kRecords = 10000;
    TestContext tc;
    TempDir dir;
};

TEST_F(PdfOutputTest, TenThousandRecordsTakeAsManyPagesAsTheirLinesNeed) {
    ASSERT_EQ(WriteLog(*tc, dir / "lines.txt", OutputKind::kTextFile, Options()),
              OutputResult::kDone);
    const std::filesystem::path pdf = dir / "log.pdf";
    PdfCanvas canvas(QString::fromStdString(pdf.string()));
    ASSERT_EQ(Print(canvas), OutputResult::kDone);

    // The text file has one heading of two lines; every page repeats it above its body.
    const int body = LineCount(dir / "lines.txt") - 2;
    const int top = canvas.PixelsPerInchY() / 2;
    const int bottom = canvas.PageHeight() - top;
    const int perPage = (bottom - top) / canvas.TextHeight("X") + 1;
    ASSERT_GT(perPage, 20);
    const int expected = (body + perPage - 3) / (perPage - 2);
    EXPECT_EQ(canvas.Pages(), expected);
    EXPECT_EQ(PdfPages(pdf), expected);

    const auto first = Capture("pdftotext -layout -f 1 -l 1 '" + pdf.string() + "' - | tr -s ' '");
    ASSERT_TRUE(first);
    const std::string heading = "mixed10000.lg8";
    EXPECT_NE(first->find(heading), std::string::npos) << *first;
    EXPECT_NE(first->find("Date " + ShortDate(kDay)), std::string::npos) << *first;
    EXPECT_NE(first->find("Page 1 "), std::string::npos) << *first;
    EXPECT_NE(first->find(DescriptionLine(*tc, Options().interpret)), std::string::npos) << *first;
    const auto last = Capture("pdftotext -layout -f " + std::to_string(expected) + " -l " +
                              std::to_string(expected) + " '" + pdf.string() + "' - | tr -s ' '");
    ASSERT_TRUE(last);
    EXPECT_NE(last->find("Page " + std::to_string(expected) + " "), std::string::npos) << *last;
    EXPECT_NE(last->find(tc->Txt(txt::kOutputEnd)), std::string::npos) << *last;
}

// The first page as an image: ink in the heading's band at the top margin, none in the
// left margin, and lines down to the bottom limit.
TEST_F(PdfOutputTest, TheFirstPageAsAnImageShowsItsLinesWithinTheMargins) {
    const std::filesystem::path pdf = dir / "log.pdf";
    PdfCanvas canvas(QString::fromStdString(pdf.string()));
    ASSERT_EQ(Print(canvas), OutputResult::kDone);
    const std::filesystem::path png = dir / "page";
    ASSERT_TRUE(Capture("pdftoppm -r 60 -f 1 -l 1 -singlefile -png '" + pdf.string() + "' '" +
                        png.string() + "'"));
    const QImage page(QString::fromStdString(png.string() + ".png"));
    ASSERT_FALSE(page.isNull());
    const auto inkIn = [&](double x0, double y0, double x1, double y1) {
        int ink = 0;
        for (int y = static_cast<int>(y0 * page.height()); y < y1 * page.height(); ++y)
            for (int x = static_cast<int>(x0 * page.width()); x < x1 * page.width(); ++x)
                ink += qGray(page.pixel(x, y)) < 128 ? 1 : 0;
        return ink;
    };
    const double inch = 60.0;
    const double marginTop = inch / 2 / page.height();
    const double marginLeft = inch / 3 / page.width();
    EXPECT_EQ(inkIn(0, 0, 1, marginTop * 0.9), 0);
    EXPECT_EQ(inkIn(0, 0, marginLeft * 0.9, 1), 0);
    EXPECT_GT(inkIn(0, marginTop, 1, marginTop + 0.02), 50);
    EXPECT_GT(inkIn(0, 1 - marginTop - 0.05, 1, 1 - marginTop), 0);
}

TEST_F(PdfOutputTest, CancellingHalfWayLeavesNoFileUnderTheTargetsName) {
    const std::filesystem::path fresh = dir / "fresh.pdf";
    const std::filesystem::path old = dir / "old.pdf";
    std::ofstream(old) << "the earlier report";
    for (const auto& target : {fresh, old}) {
        PdfCanvas canvas(QString::fromStdString(target.string()));
        EXPECT_EQ(Print(canvas, [](int percent) { return percent >= 50; }),
                  OutputResult::kCancelled);
        EXPECT_GT(canvas.Pages(), 10);
    }
    EXPECT_FALSE(std::filesystem::exists(fresh));
    std::ifstream in(old);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "the earlier report");
    EXPECT_EQ(Files(dir.path()), std::vector<std::string>{"old.pdf"});
}

TEST_F(PdfOutputTest, ATargetThatCannotBeCreatedWritesNothing) {
    PdfCanvas canvas(QString::fromStdString((dir / "missing" / "log.pdf").string()));
    EXPECT_EQ(Print(canvas), OutputResult::kTargetFailed);
    EXPECT_TRUE(Files(dir.path()).empty());
}

}  // namespace
}  // namespace vadrix::testing
