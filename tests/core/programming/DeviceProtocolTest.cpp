// The device protocol of the programming functions against a scripted device: reading a
// range, short reads, echoes and answers, writing with its adjustments and refusals, and the
// station parameters.

#include <gtest/gtest.h>

#include <regex>

#include "DeviceFixture.h"
#include "common/TextIds.h"

namespace vadrix::testing {
namespace {

std::string BinaryWrites(const ScriptedDevice& d) {
    std::string s;
    for (const auto& w : d.writes) s += std::to_string(w.size()) + ",";
    return s;
}

TEST(AddressRange, AcceptsTwoHexNumbersOfAtMost8192Bytes) {
    struct Case {
        const char* text;
        bool ok;
        std::uint16_t start, length;
    };
    const Case cases[] = {
        {"E800-EFFF", true, 0xE800, 2048},
        {"e800-efff", true, 0xE800, 2048},
        {"0000-1FFF", true, 0x0000, 8192},
        {"FFFF-FFFF", true, 0xFFFF, 1},
        {"1000-0FFF", false, 0, 0},
        {"0000-2000", false, 0, 0},
        {"E800", false, 0, 0},
        {"E800-", false, 0, 0},
        {"-EFFF", false, 0, 0},
        {"E800-F0000", false, 0, 0},
        {"G800-EFFF", false, 0, 0},
        {"E800-EFFF-1", false, 0, 0},
        {"", false, 0, 0},
        {"99999999999-1", false, 0, 0},
    };
    for (const Case& c : cases) {
        const auto r = ParseAddressRange(c.text);
        EXPECT_EQ(r.has_value(), c.ok) << c.text;
        if (r && c.ok) {
            EXPECT_EQ(r->start, c.start) << c.text;
            EXPECT_EQ(r->length, c.length) << c.text;
        }
    }
}

TEST(PrintableForm, ShowsControlAndHighCharactersByCode) {
    EXPECT_EQ(PrintableForm("flE800~0800\r"), "flE800~0800#13");
    EXPECT_EQ(PrintableForm(std::string("\x00\x1F \x7F\x80\xFF", 6)), "#0#31 \x7F#128#255");
}

TEST(ReceiveRing, KeepsTheNewest256BytesWhenItOverflows) {
    ReceiveRing ring;
    std::vector<std::uint8_t> bytes(300);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
    ring.Append(bytes);
    EXPECT_EQ(ring.Count(), 256u);
    EXPECT_EQ(ring.Take(), 300 - 256);
    ring.Clear();
    EXPECT_FALSE(ring.Take());
}

TEST_F(ProgrammingTest, ReadByteWaitsInStepsUntilTheTimeoutAndZeroLooksOnce) {
    const std::uint32_t t0 = tc.clock.ms;
    EXPECT_FALSE(pg->ReadByte(0));
    EXPECT_EQ(tc.clock.ms, t0) << "a timeout of 0 looks once";
    EXPECT_FALSE(pg->ReadByte(100));
    EXPECT_GE(tc.clock.ms - t0, 100u);
    EXPECT_LT(tc.clock.ms - t0, 100u + 25u);
    // A byte that arrives while it waits is taken at the next step.
    tc.loop.StartOneShot(60, [this] { device.Inject({0x42}); });
    EXPECT_EQ(pg->ReadByte(200), 0x42);
}

TEST_F(ProgrammingTest, ReadingE800ToEFFFSends_flE800_0800_AndTakes2048Bytes) {
    FillMemory(0xE800, 2048, 3);
    Rebuild({.askRange = [](auto, auto, std::string_view preset) {
        EXPECT_EQ(preset, "E800-EFFF");
        return std::optional<std::string>("E800-EFFF");
    }});
    pg->RunItem(PgItem::kReadDevice);

    EXPECT_EQ(device.commands, (std::vector<std::string>{"X", "flE800~0800\r"}));
    const TFwpHeader& h = pg->Image().header;
    EXPECT_EQ(h.Start, 0xE800);
    EXPECT_EQ(h.Length, 2048);
    EXPECT_TRUE(std::equal(pg->Image().data.begin(), pg->Image().data.begin() + 2048,
                           device.memory.begin() + 0xE800));
    EXPECT_TRUE(view.Has("2048 bytes received, complete"));
    // The binary transfer ran at 9600 8E2 and the line is back in text mode.
    ASSERT_GE(device.modes.size(), 2u);
    EXPECT_EQ(device.modes[device.modes.size() - 2], kPgBinaryMode);
    EXPECT_EQ(device.modes.back(), kPgTextMode);
    // A success leaves the caption line with "done", then the status and the hint.
    ASSERT_EQ(view.lines.size(), 3u);
    EXPECT_TRUE(std::regex_match(view.lines[0].text,
                                 std::regex(R"(\d\d:\d\d:\d\d,\d{3}  Read device: done)")))
        << view.lines[0].text;
    EXPECT_EQ(view.lines[1].text, "");
    EXPECT_EQ(view.lines[2].text, Txt(txt::kChooseFunction));
    EXPECT_TRUE(view.imageStatus.starts_with("Image: E800-EFFF, checksum ")) << view.imageStatus;
    EXPECT_FALSE(pg->ErrorFlag());
}

TEST_F(ProgrammingTest, ARefusedRangeReadsNothing) {
    for (const char* typed : {"1000-0FFF", "0000-2000"}) {
        device.written.clear();
        Rebuild(
            {.askRange = [typed](auto, auto, auto) { return std::optional<std::string>(typed); }});
        pg->RunItem(PgItem::kReadDevice);
        EXPECT_TRUE(view.HasError(std::string("Invalid address range: ") + typed)) << typed;
        EXPECT_EQ(view.lines.back().text, Txt(txt::kChooseFunction));
        EXPECT_TRUE(view.Has(Txt(txt::kCommandFailed)));
        EXPECT_TRUE(device.written.empty()) << typed;
        EXPECT_EQ(pg->LastRange(), typed) << "the next input box starts from the text typed";
    }
}

TEST_F(ProgrammingTest, ADeviceThatSendsOnly100Of2048BytesLeavesLength100) {
    FillMemory(0xE800, 2048, 9);
    device.stopAfter = 100;
    Rebuild({.askRange = [](auto, auto, auto) { return std::optional<std::string>("E800-EFFF"); }});
    pg->RunItem(PgItem::kReadDevice);

    EXPECT_EQ(pg->Image().header.Length, 100);
    EXPECT_TRUE(view.HasError("100 bytes received, incomplete"));
    EXPECT_TRUE(view.HasError(Txt(txt::kTransferFailed)));
    EXPECT_TRUE(view.Has(Txt(txt::kCommandFailed)));
    EXPECT_EQ(device.modes.back(), kPgTextMode);
    EXPECT_TRUE(view.imageStatus.starts_with("Image: E800-E863")) << view.imageStatus;
}

TEST_F(ProgrammingTest, WithTheTestFlagAShortReadIsOnlyLoggedAndTakenAsComplete) {
    tc->run.TestMode = true;
    device.stopAfter = 100;
    Rebuild({.askRange = [](auto, auto, auto) { return std::optional<std::string>("E800-EFFF"); }});
    pg->RunItem(PgItem::kReadDevice);
    EXPECT_TRUE(view.Has("100 bytes received, incomplete"));
    EXPECT_TRUE(view.Has("No answer (0 characters: )"));
    EXPECT_FALSE(view.Has(Txt(txt::kCommandFailed)));
    EXPECT_EQ(pg->Image().header.Length, 2048);
}

TEST_F(ProgrammingTest, ItemCaptionsSkipTheMenuSeparatorsAndLoseTheirAccelerators) {
    tc->texts.ReplaceTxt(txt::kPgMenuBase + 9, "&Show image");
    const std::vector<std::pair<PgItem, std::string>> expected = {
        {PgItem::kStationParams, "Station parameters"},
        {PgItem::kReadDevice, "Read device"},
        {PgItem::kWriteDevice, "Write device"},
        {PgItem::kReadFile, "Read file"},
        {PgItem::kSaveFile, "Save file"},
        {PgItem::kCompare, "Compare device with file"},
        {PgItem::kShowImage, "Show image"},
    };
    for (const auto& [item, caption] : expected) EXPECT_EQ(pg->ItemCaption(item), caption);
}

TEST_F(ProgrammingTest, AWrongEchoFailsTheCommandUnlessTheTestFlagIsSet) {
    device.garbleEcho = true;
    EXPECT_FALSE(pg->SendCommand("IB\r"));
    EXPECT_TRUE(view.Has("Echo (3): ??#13"));
    EXPECT_TRUE(view.HasError(Txt(txt::kEchoWrong)));

    view.all.clear();
    tc->run.TestMode = true;
    Rebuild({});
    EXPECT_TRUE(pg->SendCommand("IB\r"));
    EXPECT_TRUE(view.Has(Txt(txt::kEchoWrong)));
    EXPECT_FALSE(pg->ErrorFlag()) << "with the test flag it is only logged";
}

TEST_F(ProgrammingTest, AMissingEchoEndsTheSending) {
    device.Close();  // writes vanish, nothing comes back
    EXPECT_FALSE(pg->SendCommand("flE800~0800\r"));
    EXPECT_TRUE(view.Has("Command (12): flE800~0800#13"));
    EXPECT_TRUE(view.Has("Echo (0): "));
}

TEST_F(ProgrammingTest, AnAnswerWithoutLineFeedIsReportedWithWhatCame) {
    device.Inject({'O', 'K', '\r'});
    EXPECT_FALSE(pg->ReadAnswer());
    EXPECT_TRUE(view.HasError("No answer (3 characters: OK#13)"));
    device.Inject({'O', 'K', '\r', '\n'});
    EXPECT_TRUE(pg->ReadAnswer());
}

// ---- writing -------------------------------------------------------------------------------

class WriteTest : public ProgrammingTest {
  protected:
    void SetImage(std::uint16_t start, std::uint16_t length, std::uint8_t seed) {
        pg->Image().header.Start = start;
        pg->Image().header.Length = length;
        for (std::size_t i = 0; i < length; ++i)
            pg->Image().data[i] = static_cast<std::uint8_t>(seed + i * 3);
    }
};

TEST_F(WriteTest, TheImageGoesOutInBlocksOf100WithItsEchoChecked) {
    SetImage(0x1000, 250, 5);
    pg->RunItem(PgItem::kWriteDevice);

    EXPECT_EQ(device.commands, (std::vector<std::string>{"IB\r", "X", "fp1000~00FA\r", "IA\r"}));
    EXPECT_TRUE(std::equal(pg->Image().data.begin(), pg->Image().data.begin() + 250,
                           device.memory.begin() + 0x1000));
    EXPECT_NE(BinaryWrites(device).find("100,100,50,1,"), std::string::npos)
        << "three blocks, then the acknowledgement: " << BinaryWrites(device);
    EXPECT_EQ(pg->Image().header.SentCount, 250);
    EXPECT_EQ(pg->Image().header.RecvCount, 250);
    EXPECT_TRUE(view.Has("250 bytes echoed, complete"));
    EXPECT_FALSE(pg->ErrorFlag());
    ASSERT_EQ(tc.ui.messages.size(), 1u);
    EXPECT_EQ(tc.ui.messages[0].text, Txt(txt::kAskWriteDevice));
    EXPECT_EQ(tc.ui.messages[0].buttons, MessageButtons::kYesNo);
}

TEST_F(WriteTest, EchoesThatArriveDuringALongPauseKeepTheTransferGoing) {
    SetImage(0x1000, 250, 5);
    device.onPass = [this] { tc.clock.Advance(60); };  // the program was held up meanwhile
    pg->RunItem(PgItem::kWriteDevice);
    EXPECT_TRUE(view.Has("250 bytes echoed, complete"));
    EXPECT_FALSE(pg->ErrorFlag());
}

TEST_F(WriteTest, AWrongEchoIsAMismatchAndTheDeviceIsStillReleased) {
    SetImage(0x1000, 120, 5);
    device.spoilWriteEchoAt = 7;
    pg->RunItem(PgItem::kWriteDevice);
    EXPECT_TRUE(view.HasError("120 bytes echoed, mismatch"));
    EXPECT_TRUE(view.HasError(Txt(txt::kTransferFailed)));
    EXPECT_EQ(device.commands.back(), "IA\r");
    EXPECT_TRUE(view.Has(Txt(txt::kCommandFailed)));
}

TEST_F(WriteTest, ImagesAbove4096BytesAndAnsweredNoAreNotWritten) {
    SetImage(0x0000, 4097, 0);
    pg->RunItem(PgItem::kWriteDevice);
    EXPECT_TRUE(view.HasError(Txt(txt::kImageTooLarge)));
    EXPECT_TRUE(tc.ui.messages.empty()) << "refused before the question";

    SetImage(0x0000, 4096, 0);
    tc.ui.answers.push_back(MessageResult::kNo);
    pg->RunItem(PgItem::kWriteDevice);
    EXPECT_TRUE(device.written.empty());
    EXPECT_EQ(tc.ui.messages.size(), 1u);
}

TEST_F(WriteTest, ADeviceNotReadyForWritingStopsBeforeTheData) {
    device.answers = false;
    SetImage(0x1000, 10, 0);
    pg->RunItem(PgItem::kWriteDevice);
    EXPECT_TRUE(view.HasError(Txt(txt::kNotReadyToWrite)));
    EXPECT_EQ(device.commands, std::vector<std::string>{"IB\r"});
}

TEST_F(WriteTest, TheDeviceRulesAdjustTheImageBeforeWriting) {
    struct Case {
        std::uint16_t start, length;
        std::uint8_t statusByte;  // at 0xEFF9 when inside the image
        std::uint32_t changed;    // the address set to 0, or 0x10000 for none
    };
    const Case cases[] = {
        {0xE000, 16, 0x01, 0xE000},     // the first byte of 0xE000 always
        {0xE800, 2048, 0x01, 0xE809},   // status bit 3 clear
        {0xE800, 2048, 0x09, 0x10000},  // status bit 3 set
        {0xE809, 2039, 0x01, 0xE809},   // starts at the byte itself
        {0xE80A, 2038, 0x01, 0x10000},  // 0xE809 not in the image
        {0xE800, 2041, 0x01, 0x10000},  // ends before 0xEFF9
    };
    for (const Case& c : cases) {
        SetImage(c.start, c.length, 0x11);
        for (std::size_t i = 0; i < c.length; ++i) pg->Image().data[i] |= 0x01;  // no zero bytes
        if (c.start + c.length > 0xEFF9u) pg->Image().data[0xEFF9 - c.start] = c.statusByte;
        device.memory.fill(0xFF);
        pg->RunItem(PgItem::kWriteDevice);
        ASSERT_FALSE(pg->ErrorFlag()) << std::hex << c.start;
        for (std::uint32_t a = c.start; a < c.start + c.length; ++a) {
            const bool zero = device.memory[a] == 0;
            EXPECT_EQ(zero, a == c.changed) << std::hex << c.start << " at " << a;
        }
    }
}

// ---- station parameters --------------------------------------------------------------------

TEST_F(ProgrammingTest, StationParametersAreReadEditedAndWrittenBack) {
    const std::uint8_t block[16] = {20, 120, 25, 30, 10, 0x44, 4, 99, 7, 0x08};
    std::copy(std::begin(block), std::end(block), device.memory.begin() + 0xEFF0);
    int edits = 0;
    Rebuild({.editStationParams = [&](StationParamBlock& b) {
        ++edits;
        EXPECT_EQ(StationParamsToValues(b).station, 7);
        StationParamValues v = StationParamsToValues(b);
        v.station = 42;
        StationParamsFromValues(v, b);
        return true;
    }});
    pg->RunItem(PgItem::kStationParams);
    EXPECT_EQ(edits, 1);
    EXPECT_EQ(device.commands, (std::vector<std::string>{"X", "flEFF0~0010\r", "IB\r", "X",
                                                         "fpEFF0~0010\r", "IA\r"}));
    EXPECT_EQ(device.memory[0xEFF8], 42);
    EXPECT_EQ(device.memory[0xEFF9], 0x08);
    EXPECT_FALSE(pg->ErrorFlag());
}

TEST_F(ProgrammingTest, StationParametersNotSavedAreNotWritten) {
    Rebuild({.editStationParams = [](StationParamBlock&) { return false; }});
    pg->RunItem(PgItem::kStationParams);
    EXPECT_EQ(device.commands, (std::vector<std::string>{"X", "flEFF0~0010\r"}));
    EXPECT_TRUE(tc.ui.messages.empty());
}

}  // namespace
}  // namespace vadrix::testing
