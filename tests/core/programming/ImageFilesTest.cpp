// FWP files (every check of a read, writing through a replacement), comparing the device with
// a file block by block, the image listing and status, and which items need an image.

#include <gtest/gtest.h>

#include <cstring>

#include "DeviceFixture.h"
#include "common/Settings.h"
#include "common/TextIds.h"
#include "programming/FwpFile.h"
#include "support/TempDir.h"

namespace vadrix::testing {
namespace {

std::vector<std::uint8_t> FwpBytes(std::uint16_t start, std::vector<std::uint8_t> data) {
    TFwpHeader h{};
    std::memcpy(h.Magic, kFwpMagic, 4);
    h.Start = start;
    h.Length = static_cast<std::uint16_t>(data.size());
    h.Checksum = FwpChecksum(data);
    // One allocation of the whole file: growing a vector made from the header trips GCC's
    // bounds warning in optimised builds.
    std::vector<std::uint8_t> out(sizeof h + data.size());
    std::memcpy(out.data(), &h, sizeof h);
    std::copy(data.begin(), data.end(), out.begin() + static_cast<std::ptrdiff_t>(sizeof h));
    return out;
}

std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(seed + i * 13 + i / 256);
    return v;
}

class ImageFiles : public ProgrammingTest {
  protected:
    void SetUp() override {
        ProgrammingTest::SetUp();
        Rebuild({.openFile = [this](auto, auto&) { return std::optional(chosen); },
                 .saveFile = [this](auto, auto&) { return std::optional(chosen); }});
    }
    std::filesystem::path LastFile() { return StoredFileName(tc->settings.FwpFileName); }

    TempDir dir;
    std::filesystem::path chosen;
};

TEST_F(ImageFiles, AnImageSavedAndReadBackIsTheSame) {
    pg->Image().header.Start = 0xE000;
    pg->Image().header.Length = 8192;  // the whole buffer must come back too
    const auto data = Pattern(8192, 1);
    std::copy(data.begin(), data.end(), pg->Image().data.begin());
    chosen = dir / "image.fwp";
    pg->RunItem(PgItem::kSaveFile);
    EXPECT_FALSE(pg->ErrorFlag());
    EXPECT_EQ(ReadFileBytes(chosen), FwpBytes(0xE000, data));
    EXPECT_EQ(LastFile(), chosen);

    pg->Image().Clear();
    pg->RunItem(PgItem::kReadFile);
    EXPECT_FALSE(pg->ErrorFlag());
    EXPECT_EQ(pg->Image().header.Start, 0xE000);
    EXPECT_EQ(pg->Image().header.Length, 8192);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), pg->Image().data.begin()));
    EXPECT_TRUE(view.Has(Txt(txt::kFileRead) + chosen.string()));
}

TEST_F(ImageFiles, RefusedFilesLeaveNoImageAndChangeNothing) {
    const auto good = FwpBytes(0x1000, Pattern(100, 7));
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"short", std::vector<std::uint8_t>(good.begin(), good.begin() + 10)});
    auto magic = good;
    magic[0] = 'K';
    cases.push_back({"magic", magic});
    auto shortData = good;
    shortData.pop_back();
    cases.push_back({"size", shortData});
    auto longData = good;
    longData.push_back(0);
    cases.push_back({"size2", longData});
    cases.push_back({"toolong", FwpBytes(0x0000, Pattern(8193, 3))});
    cases.push_back({"pastFFFF", FwpBytes(0xFF00, Pattern(0x101, 3))});
    auto sum = good;
    sum[8] ^= 1;
    cases.push_back({"checksum", sum});

    const auto kept = dir.Write("kept.fwp", FwpBytes(0x2000, Pattern(10, 1)));
    StoreFileName(tc->settings.FwpFileName, kept);
    for (const Case& c : cases) {
        pg->Image().header.Start = 0x4000;
        pg->Image().header.Length = 10;  // an image from before
        chosen = dir.Write(std::string(c.name) + ".fwp", c.bytes);
        tc.ui.messages.clear();
        pg->RunItem(PgItem::kReadFile);
        EXPECT_EQ(pg->Image().header.Length, 0) << c.name;
        EXPECT_TRUE(pg->ErrorFlag()) << c.name;
        EXPECT_EQ(ReadFileBytes(chosen), c.bytes) << c.name;
        EXPECT_EQ(LastFile(), kept) << c.name;
        ASSERT_EQ(tc.ui.messages.size(), 1u) << c.name;
        EXPECT_EQ(tc.ui.messages[0].text, Txt(txt::kFwpReadFailed)) << c.name;
        EXPECT_EQ(view.imageStatus, "Image: empty") << c.name;
    }
}

TEST_F(ImageFiles, AFileThatCannotBeWrittenKeepsTheOldNameAndSaysSo) {
    pg->Image().header.Length = 4;
    chosen = dir.path();  // a folder cannot be replaced by a file
    pg->RunItem(PgItem::kSaveFile);
    EXPECT_TRUE(pg->ErrorFlag());
    EXPECT_TRUE(LastFile().empty());
    ASSERT_EQ(tc.ui.messages.size(), 1u);
    EXPECT_EQ(tc.ui.messages[0].text, Txt(txt::kFwpWriteFailed));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path()));
}

TEST_F(ImageFiles, SavingWithoutAnImageAsksForNoFile) {
    bool asked = false;
    Rebuild({.saveFile = [&](auto, auto&) {
        asked = true;
        return std::optional(chosen);
    }});
    pg->RunItem(PgItem::kSaveFile);
    EXPECT_FALSE(asked);
    EXPECT_TRUE(view.HasError(Txt(txt::kNoImage)));
}

// ---- compare -------------------------------------------------------------------------------

TEST_F(ImageFiles, A6000ByteFileIsComparedInBlocksOf4096And1904) {
    const auto data = Pattern(6000, 5);
    std::copy(data.begin(), data.end(), device.memory.begin() + 0x2000);
    chosen = dir.Write("six.fwp", FwpBytes(0x2000, data));
    pg->RunItem(PgItem::kCompare);

    EXPECT_EQ(device.commands,
              (std::vector<std::string>{"X", "fl2000~1000\r", "X", "fl3000~0770\r"}));
    EXPECT_TRUE(view.Has("Block 1: 2000-2FFF"));
    EXPECT_TRUE(view.Has("Block 2: 3000-376F"));
    EXPECT_TRUE(view.Has(Txt(txt::kCompareWith) + chosen.string() + Txt(txt::kCompareEqual)));
    EXPECT_FALSE(pg->ErrorFlag());
    // The image holds the last block read from the device.
    EXPECT_EQ(pg->Image().header.Start, 0x3000);
    EXPECT_EQ(pg->Image().header.Length, 1904);
}

TEST_F(ImageFiles, EveryDifferenceIsListedWithBothBytes) {
    const auto data = Pattern(300, 5);
    std::copy(data.begin(), data.end(), device.memory.begin() + 0x2000);
    device.memory[0x2000] = static_cast<std::uint8_t>(data[0] + 1);
    device.memory[0x212B] = 0xAB;
    chosen = dir.Write("diff.fwp", FwpBytes(0x2000, data));
    pg->RunItem(PgItem::kCompare);

    char first[64], second[64];
    std::snprintf(first, sizeof first, "2000: file %02X, device %02X", data[0], data[0] + 1);
    std::snprintf(second, sizeof second, "212B: file %02X, device AB", data[0x12B]);
    EXPECT_TRUE(view.HasError(first)) << first;
    EXPECT_TRUE(view.HasError(second)) << second;
    EXPECT_EQ(view.Count("2"), 2) << "no other address listed";
    EXPECT_TRUE(view.Has(Txt(txt::kCompareWith) + chosen.string() + Txt(txt::kCompareDifferent)));
    EXPECT_TRUE(view.Has(Txt(txt::kCommandFailed)));
}

TEST_F(ImageFiles, TheThousandthDifferenceEndsTheCompare) {
    const auto data = Pattern(6000, 5);
    for (std::size_t i = 0; i < data.size(); ++i)
        device.memory[0x2000 + i] = static_cast<std::uint8_t>(~data[i]);
    chosen = dir.Write("all.fwp", FwpBytes(0x2000, data));
    pg->RunItem(PgItem::kCompare);

    EXPECT_EQ(view.Count("file "), 0);
    int differences = 0;
    for (const std::string& m : view.Messages())
        if (m.find(": file ") != std::string::npos) ++differences;
    EXPECT_EQ(differences, 1000);
    EXPECT_TRUE(view.HasError(Txt(txt::kTooManyDifferences)));
    EXPECT_EQ(device.commands.size(), 2u) << "the second block is not read";
    EXPECT_TRUE(view.Has(Txt(txt::kCompareWith) + chosen.string() + Txt(txt::kCompareDifferent)));
}

TEST_F(ImageFiles, ACompareThatCannotReadTheDeviceGivesNoVerdict) {
    device.stopAfter = 10;
    chosen = dir.Write("ten.fwp", FwpBytes(0x2000, Pattern(100, 5)));
    pg->RunItem(PgItem::kCompare);
    EXPECT_TRUE(view.HasError(Txt(txt::kTransferFailed)));
    EXPECT_EQ(view.Count(Txt(txt::kCompareWith)), 0);
}

// ---- listing, status and items -------------------------------------------------------------

TEST_F(ProgrammingTest, TheListingAlignsLinesTo16Addresses) {
    FwpImage& im = pg->Image();
    im.header.Start = 0xE805;
    im.header.Length = 3;
    im.data[0] = 0x01;
    im.data[1] = 0xA2;
    im.data[2] = 0xFF;
    EXPECT_EQ(pg->ImageListing(),
              std::vector<std::string>{"E800  " + std::string(5 * 4, ' ') + "  01  A2  FF"});

    im.header.Start = 0xE80E;
    im.header.Length = 19;  // two bytes, a full line, one byte
    const auto lines = pg->ImageListing();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(0, 6 + 14 * 4), "E800  " + std::string(14 * 4, ' '));
    EXPECT_EQ(lines[0].size(), 6 + 16 * 4u);
    EXPECT_EQ(lines[1].size(), 6 + 16 * 4u);
    EXPECT_EQ(lines[2], "E820    " + std::string(1, "0123456789ABCDEF"[im.data[18] >> 4]) +
                            "0123456789ABCDEF"[im.data[18] & 15]);

    im.header.Start = 0xFFF0;
    im.header.Length = 16;
    EXPECT_EQ(pg->ImageListing().size(), 1u) << "the top of the address space";
}

TEST_F(ProgrammingTest, ShowingTheImageKeepsItsListingInTheMemo) {
    pg->Image().header.Start = 0xE805;
    pg->Image().header.Length = 3;
    pg->RunItem(PgItem::kShowImage);
    EXPECT_EQ(view.addressLabel, Txt(txt::kImageHeading));
    ASSERT_EQ(view.lines.size(), 3u);
    EXPECT_TRUE(view.lines[0].text.starts_with("E800  "));
    EXPECT_EQ(view.lines[2].text, Txt(txt::kChooseFunction));
}

TEST_F(ProgrammingTest, TheStatusNamesTheRangeAndTheChecksumsLowByte) {
    EXPECT_EQ(pg->ImageStatusText(), "Image: empty");
    FwpImage& im = pg->Image();
    im.header.Start = 0xE800;
    im.header.Length = 2048;
    std::fill_n(im.data.begin(), 2048, 0x11);  // sum 0x8800
    im.data[0] = 0x2F;                         // sum 0x881E
    EXPECT_EQ(pg->ImageStatusText(), "Image: E800-EFFF, checksum 1E");
    EXPECT_EQ(im.header.Checksum, 0x881E);
}

TEST_F(ProgrammingTest, WritingSavingAndShowingNeedAnImage) {
    for (const PgItem item : {PgItem::kWriteDevice, PgItem::kSaveFile, PgItem::kShowImage})
        EXPECT_FALSE(pg->ItemEnabled(item));
    EXPECT_TRUE(pg->ItemEnabled(PgItem::kReadDevice));
    pg->Image().header.Length = 1;
    for (const PgItem item : {PgItem::kWriteDevice, PgItem::kSaveFile, PgItem::kShowImage})
        EXPECT_TRUE(pg->ItemEnabled(item));
}

}  // namespace
}  // namespace vadrix::testing
