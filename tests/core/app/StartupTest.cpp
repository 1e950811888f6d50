// The common start: texts, instance slot, settings, stored language, send defaults, channels.

#include <gtest/gtest.h>

#include "app/Startup.h"
#include "common/Settings.h"
#include "common/TextIds.h"
#include "support/FakePlatform.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix {
namespace {

// A language file whose text n is tag + n, with the texts the start reads set.
std::string LanguageFile(const std::string& tag) {
    std::string s;
    for (int n = 0; n <= 1300; ++n) {
        std::string text = tag + std::to_string(n);
        if (n == txt::kSettingsFileName) text = "Q5Set";
        if (n == txt::kSettingsFileName + 1) text = ".st8";
        if (n == txt::kBaudListBase + 8) text = "9600";
        if (n == txt::kNumberExtraChar) text = "-";
        if (n == txt::kBitChars) text = ".|";
        if (n == txt::kTypeNameBase) text = tag + " type name longer than twenty-seven";
        char head[8];
        std::snprintf(head, sizeof head, "%4d  ", n);
        s += head + text + "\n";
    }
    return s;
}

class Start : public ::testing::Test {
  protected:
    void SetUp() override {
        dir.Write("prog/Q5Text.ger", LanguageFile("de"));
        dir.Write("prog/Q5Text.usa", LanguageFile("en"));
        std::filesystem::create_directories(dir / "data");
        platform.executable = dir / "prog/vadrix";
        platform.storedDataDirectory = (dir / "data").string();
    }
    testing::TempDir dir;
    testing::TestContext t;
    testing::FakePlatform platform;
};

TEST_F(Start, ABadLanguageFileEndsTheStartWithItsMessage) {
    dir.Write("prog/Q5Text.ger", "   0  only one text\n");
    EXPECT_EQ(InitCommon(*t, platform), StartOutcome::kTextTableFailed);
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_EQ(t.ui.messages[0].text.rfind("Program text missing/wrong", 0), 0u);
    EXPECT_EQ(t.ui.messages[0].kind, MessageKind::kError);
    EXPECT_EQ(kExitTextTable, 99);
}

TEST_F(Start, WithoutAFreeSlotTheProgramEndsWithoutAWindow) {
    platform.slot = 0;
    EXPECT_EQ(InitCommon(*t, platform), StartOutcome::kNoInstance);
    EXPECT_FALSE(t->run.InstanceFound);
}

TEST_F(Start, TheStoredLanguageAndSettingsAreTakenAndDefaultsSet) {
    TSettings stored;
    stored.Language = 1;
    ASSERT_TRUE(WriteSettingsFile(dir / "data/Q5Set2.st8", stored));
    platform.slot = 2;
    ASSERT_EQ(InitCommon(*t, platform), StartOutcome::kRun);
    EXPECT_EQ(t->run.InstanceNumber, 2);
    EXPECT_EQ(t->run.ProgramDirectory, dir / "prog");
    EXPECT_EQ(t->Txt(100), "en100");
    EXPECT_EQ(t->run.NumberExtraChar, '-');
    EXPECT_EQ(t->run.BitChars[1], '|');

    const TSendTelegram& slot1 = t->sendTelegrams.Items[0];
    EXPECT_EQ(slot1.Head.Bez.str(),
              std::string("en type name longer than twenty-seven").substr(0, 27));
    EXPECT_EQ(slot1.Head.Entry.Typ, 0);
    EXPECT_EQ(slot1.Head.Entry.Lg, 4);
    EXPECT_EQ(t->sendTelegrams.Items[9].Head.Entry.Lg, 7);
    EXPECT_EQ(t->sendTelegrams.Items[11].Head.Entry.Typ, 11);
    // Each slot is named after the type it holds: slot n holds type n - 1.
    for (int n = 2; n <= kSendSlots; ++n) {
        const TSendHeader& h = t->sendTelegrams.Items[n - 1].Head;
        EXPECT_EQ(h.Bez.str(), "en" + std::to_string(txt::kTypeNameBase + h.Entry.Typ)) << n;
        EXPECT_EQ(h.Entry.Typ, n - 1);
    }
    EXPECT_EQ(slot1.Head.AnstByte, 255);
    EXPECT_EQ(slot1.Head.WZt, 100);

    const TSendList& list3 = t->sendLists.Items[2];
    EXPECT_EQ(list3.Head.Reserved0, 1);
    EXPECT_EQ(list3.Head.Bez.str(), "en11873");
    EXPECT_EQ(list3.Head.Entry.Typ, 0);
    EXPECT_EQ(list3.Row(400).TelNr, 520);
    EXPECT_EQ(list3.Row(1).Typ, 8);
    EXPECT_EQ(list3.reserved168[0], 1);

    EXPECT_EQ(t->emse1.P.Baud, 9600);
    EXPECT_EQ(t->emse2.P.Baud, 9600);
    EXPECT_EQ(t->emse2.RxSource, 3);
    EXPECT_EQ(t->emse2.TxSource, 4);
    EXPECT_EQ(t->emse2.P.StationAddr[0], 2);
    EXPECT_EQ(t->emse1.P.StationAddr[0], 1);

    // Both filters are normalised: empty masks read as everything, both status boxes on.
    EXPECT_EQ(t->general.DisplayFilter.SourceMask, 15);
    EXPECT_EQ(t->general.LogFilter.ShowGood, 1);
    EXPECT_EQ(t->general.LogFilter.RowCount, 4);
}

}  // namespace
}  // namespace vadrix
