// The programming functions against the real "vadrix-sim field" process on a pseudo-terminal:
// the program's own serial port, event loop and clock, the device's memory file.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "FieldDevice.h"
#include "SimProcess.h"
#include "ToolsQtApp.h"
#include "app/Context.h"
#include "channel/Channel.h"
#include "common/FileWrite.h"
#include "common/TextIds.h"
#include "programming/FwpFile.h"
#include "programming/Programming.h"
#include "runtime/QtClock.h"
#include "runtime/QtEventLoop.h"
#include "runtime/TermiosSerialPort.h"
#include "support/FakeUserInterface.h"
#include "support/TempDir.h"

namespace vadrix {
namespace {

// The memo's messages, without their time stamps.
struct MemoLines : ProgrammingView {
    void ClearLines() override {}
    void AddLine(PgLine kind, std::string_view text) override {
        const std::size_t cut = kind == PgLine::kPlain ? 0 : text.find("  ") + 2;
        lines.emplace_back(text.substr(cut));
        if (kind == PgLine::kError) errors.emplace_back(text.substr(cut));
    }
    void SetAddressLabel(std::string_view) override {}
    void SetImageStatus(std::string_view) override {}
    bool Has(std::string_view m) const { return std::ranges::find(lines, m) != lines.end(); }
    std::string All() const {
        std::string s;
        for (const std::string& l : lines) s += l + "\n";
        return s;
    }
    std::vector<std::string> lines;
    std::vector<std::string> errors;
};

sim::FieldMemory PatternMemory() {
    sim::FieldMemory m = sim::FreshFieldMemory();
    for (std::size_t a = 0; a < sim::kStationBlockAddress; ++a)
        m[a] = static_cast<std::uint8_t>(a * 7 + (a >> 8));
    return m;
}

class FieldEndToEnd : public ::testing::Test {
  protected:
    // Starts the device on its memory file and opens the program's channel 1 to it.
    void Start(const sim::FieldMemory& memory, std::vector<std::string> extra = {},
               ProgrammingDialogs dialogs = {}) {
        testing::EnsureToolsQtApp();
        ASSERT_TRUE(WriteWholeMemory(memory));
        std::vector<std::string> args{"field", "--memory", memoryFile.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        device = std::make_unique<testing::SimProcess>(args, (dir / "sim.log").string());
        ASSERT_FALSE(device->device().empty()) << device->Log();
        table.Override(1, device->device());
        ASSERT_TRUE(ctx->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
        ctx->general.ProtocolVariant = 4;
        std::string error;
        ASSERT_TRUE(port.Open(1, kPgTextMode, error)) << error;
        BindChannel(*ctx, ctx->emse1, port);
        pg = std::make_unique<Programming>(*ctx, view, std::move(dialogs));
    }
    bool WriteWholeMemory(const sim::FieldMemory& m) {
        return WriteWholeFile(memoryFile, std::span<const std::uint8_t>(m.data(), m.size()));
    }
    std::vector<std::uint8_t> MemoryOnDisk() { return testing::ReadFileBytes(memoryFile); }
    void TearDown() override {
        pg.reset();
        port.Close();
        if (device) {
            EXPECT_EQ(device->Stop(), 0) << device->Log();
        }
    }

    testing::TempDir dir;
    std::filesystem::path memoryFile = dir / "memory.bin";
    std::unique_ptr<testing::SimProcess> device;
    QtClock clock;
    std::unique_ptr<QtEventLoop> loop =
        (testing::EnsureToolsQtApp(), std::make_unique<QtEventLoop>());
    testing::FakeUserInterface ui;
    std::unique_ptr<Context> ctx = std::make_unique<Context>(clock, *loop, ui);
    PortTable table;
    TermiosSerialPort port{table};
    MemoLines view;
    std::unique_ptr<Programming> pg;
};

TEST_F(FieldEndToEnd, ReadingE800ToEFFFReturnsTheDevices2048Bytes) {
    const sim::FieldMemory memory = PatternMemory();
    Start(memory);
    ASSERT_TRUE(pg->ReadDeviceRange("E800-EFFF")) << view.All() << device->Log();
    ASSERT_EQ(pg->Image().header.Length, 2048);
    EXPECT_TRUE(
        std::equal(memory.begin() + 0xE800, memory.begin() + 0xF000, pg->Image().data.begin()));
    EXPECT_TRUE(view.Has("2048 bytes received, complete")) << view.All();
    EXPECT_NE(device->Log().find("sent 2048 of 2048 bytes"), std::string::npos) << device->Log();
}

TEST_F(FieldEndToEnd, AnImageWrittenAndReadBackComparesEqual) {
    Start(PatternMemory());
    FwpImage& im = pg->Image();
    im.header.Start = 0x1000;
    im.header.Length = 300;
    for (std::size_t i = 0; i < 300; ++i) im.data[i] = static_cast<std::uint8_t>(0xA5 ^ (i * 3));
    const std::vector<std::uint8_t> written(im.data.begin(), im.data.begin() + 300);
    ASSERT_TRUE(pg->WriteToDevice()) << view.All() << device->Log();
    EXPECT_TRUE(view.Has("300 bytes echoed, complete")) << view.All();
    const auto disk = MemoryOnDisk();
    ASSERT_EQ(disk.size(), sim::kFieldMemorySize);
    EXPECT_TRUE(std::equal(written.begin(), written.end(), disk.begin() + 0x1000));

    const auto file = dir / "written.fwp";
    ASSERT_TRUE(pg->SaveImageFile(file));
    EXPECT_TRUE(pg->CompareWithFile(file)) << view.All();
    EXPECT_TRUE(view.Has(std::string(ctx->Txt(txt::kCompareWith)) + file.string() +
                         std::string(ctx->Txt(txt::kCompareEqual))))
        << view.All();
}

TEST_F(FieldEndToEnd, AChangedMemoryFileComparesWithTheExpectedDifferences) {
    sim::FieldMemory memory = PatternMemory();
    // The file holds the memory as it was; the device's memory has since changed at three places.
    FwpImage im;
    im.header.Start = 0x2000;
    im.header.Length = 200;
    std::copy_n(memory.begin() + 0x2000, 200, im.data.begin());
    const auto file = dir / "before.fwp";
    ASSERT_TRUE(WriteFwpFile(file, im));
    memory[0x2000] = 0x00;
    memory[0x2064] = 0x11;
    memory[0x20C7] = 0xEE;
    Start(memory);

    EXPECT_FALSE(pg->CompareWithFile(file));
    std::vector<std::string> expected;
    for (const std::uint32_t a : {0x2000u, 0x2064u, 0x20C7u}) {
        char line[64];
        std::snprintf(line, sizeof line, "%04X: file %02X, device %02X", a, im.data[a - 0x2000],
                      memory[a]);
        expected.emplace_back(line);
    }
    EXPECT_EQ(view.errors, expected) << view.All();
    EXPECT_TRUE(view.Has(std::string(ctx->Txt(txt::kCompareWith)) + file.string() +
                         std::string(ctx->Txt(txt::kCompareDifferent))));
}

TEST_F(FieldEndToEnd, StationParametersAreReadConvertedWrittenAndReadAgain) {
    int edits = 0;
    Start(PatternMemory(), {}, {.editStationParams = [&](StationParamBlock& b) {
              ++edits;
              StationParamValues v = StationParamsToValues(b);
              EXPECT_EQ(v.station, 7);
              EXPECT_EQ(v.rxBaud, 200);
              EXPECT_EQ(v.txBaud, 1200);
              v.station = 42;
              v.tolerance = 20;
              v.txBaud = 2400;
              StationParamsFromValues(v, b);
              return true;
          }});
    pg->RunItem(PgItem::kStationParams);
    ASSERT_EQ(edits, 1);
    EXPECT_FALSE(pg->ErrorFlag()) << view.All() << device->Log();

    ASSERT_TRUE(pg->ReadDeviceRange("EFF0-EFFF")) << view.All();
    StationParamBlock again{};
    std::copy_n(pg->Image().data.begin(), 16, again.begin());
    const StationParamValues v = StationParamsToValues(again);
    EXPECT_EQ(v.station, 42);
    EXPECT_EQ(v.tolerance, 20);
    EXPECT_EQ(v.txBaud, 2400);
    EXPECT_EQ(v.rxBaud, 200);
    EXPECT_EQ(MemoryOnDisk()[sim::kStationBlockAddress + 8], 42);
}

TEST_F(FieldEndToEnd, ADeviceStoppingAfter100BytesLeavesLength100) {
    Start(PatternMemory(), {"--stop-after", "100"},
          {.askRange = [](auto, auto, auto) { return std::optional<std::string>("E800-EFFF"); }});
    pg->RunItem(PgItem::kReadDevice);
    EXPECT_EQ(pg->Image().header.Length, 100);
    EXPECT_EQ(view.errors, (std::vector<std::string>{"100 bytes received, incomplete",
                                                     std::string(ctx->Txt(txt::kTransferFailed))}))
        << view.All();
    EXPECT_TRUE(view.Has(std::string(ctx->Txt(txt::kCommandFailed)))) << view.All();
}

}  // namespace
}  // namespace vadrix
