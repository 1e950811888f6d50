// The settings file rules, the data directory rule and the data file names.

#include <gtest/gtest.h>

#include <random>

#include "app/DataFiles.h"
#include "common/Settings.h"
#include "common/TextIds.h"
#include "support/FakePlatform.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix {
namespace {

std::vector<std::uint8_t> Bytes(const TSettings& s) {
    const auto b = BytesOf(s);
    return {b.begin(), b.end()};
}

// Texts for the data file names, as a language file would give them.
void LoadFileNameTexts(Context& ctx) {
    std::string s;
    for (int n = 0; n < 1300; ++n) {
        std::string text = "t" + std::to_string(n);
        if (n == txt::kSettingsFileName) text = "Q5Set";
        if (n == txt::kSettingsFileName + 1) text = ".st8";
        if (n == txt::kLogFileName) text = "Q5Log";
        if (n == txt::kLogFileExt) text = ".lg8";
        if (n == txt::kSendFileName) text = "Q5Par";
        if (n == txt::kSendFileExt) text = ".pa8";
        char head[8];
        std::snprintf(head, sizeof head, "%4d  ", n);
        s += head + text + "\n";
    }
    ASSERT_TRUE(ctx.texts.LoadBytes(s, "texts").ok());
}

TEST(SettingsFile, OnlyAValidRecordIsTakenOver) {
    TSettings stored;
    stored.DisplayFormat = 7;
    struct Case {
        const char* name;
        std::function<void(std::vector<std::uint8_t>&)> spoil;
        bool taken;
    };
    const std::vector<Case> cases = {
        {"valid", [](auto&) {}, true},
        {"3793 bytes", [](auto& b) { b.push_back(0); }, false},
        {"3791 bytes", [](auto& b) { b.pop_back(); }, false},
        {"wrong magic", [](auto& b) { b[0] ^= 1; }, false},
        {"wrong record size", [](auto& b) { b[4] ^= 1; }, false},
        {"version 15", [](auto& b) { b[8] = 15; }, false},
        {"empty", [](auto& b) { b.clear(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempDir dir;
        std::vector<std::uint8_t> bytes = Bytes(stored);
        c.spoil(bytes);
        TSettings s;
        EXPECT_EQ(ReadSettingsFile(dir.Write("s.st8", bytes), s), c.taken);
        EXPECT_EQ(s.DisplayFormat, c.taken ? 7 : 3);
    }
}

TEST(SettingsFile, ViewBlockOfAnotherVersionIsResetAndReservedBytesKept) {
    TSettings stored;
    stored.View.FontSize = 14;
    stored.View.Version = 0;
    stored.reserved3536[10] = 0x5A;
    stored.Language = 1;
    TSettings s;
    ASSERT_TRUE(TakeOverSettings(s, Bytes(stored)));
    EXPECT_EQ(s.View.FontSize, 9);
    EXPECT_EQ(s.View.Version, 1);
    EXPECT_EQ(s.Language, 1);
    EXPECT_EQ(s.reserved3536[10], 0x5A);  // written back as read

    testing::TempDir dir;
    ASSERT_TRUE(WriteSettingsFile(dir / "s.st8", s));
    EXPECT_EQ(testing::ReadFileBytes(dir / "s.st8"), Bytes(s));
}

TEST(SettingsFile, AnyContentIsIgnoredOrTaken) {
    std::mt19937 rng(3);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::uint8_t> bytes = Bytes(TSettings{});
        if (round % 2) bytes.resize(rng() % 8000);
        for (int k = 0; k < 50; ++k)
            if (!bytes.empty()) bytes[rng() % bytes.size()] = static_cast<std::uint8_t>(rng());
        TSettings s;
        TakeOverSettings(s, bytes);
        EXPECT_TRUE(s.History[0].view().size() <= 255);
    }
}

TEST(DataFileName, InstanceSuffixAndDayOfTheMonth) {
    testing::TestContext t;
    LoadFileNameTexts(*t);
    t->run.DataDirectory = "/data/";
    EXPECT_EQ(DataFileName(*t, txt::kSettingsFileName), "/data/Q5Set.st8");
    EXPECT_EQ(DataFileName(*t, txt::kLogFileName), "/data/Q5Log.lg8");
    t->run.InstanceNumber = 2;
    EXPECT_EQ(DataFileName(*t, txt::kSettingsFileName), "/data/Q5Set2.st8");
    t->settings.Options[TSettings::kOptDailyLog] = 1;
    t.clock.now.day = 5;
    EXPECT_EQ(DataFileName(*t, txt::kLogFileName), "/data/Q5Log205.lg8");
    t->run.InstanceNumber = 1;
    EXPECT_EQ(DataFileName(*t, txt::kLogFileName), "/data/Q5Log05.lg8");
    EXPECT_EQ(DataFileBase(*t, txt::kLogFileName), "/data/Q5Log");
}

class DataDirectoryRule : public ::testing::Test {
  protected:
    void SetUp() override {
        LoadFileNameTexts(*t);
        std::filesystem::create_directories(dir / "prog");
        t->run.ProgramDirectory = dir.path() / "prog/";
        platform.applicationData = dir / "appdata";
    }
    void WriteSettings(const std::filesystem::path& where, const TSettings& s) {
        ASSERT_TRUE(WriteSettingsFile(where / "Q5Set.st8", s));
    }

    testing::TempDir dir;
    testing::TestContext t;
    testing::FakePlatform platform;
};

TEST_F(DataDirectoryRule, AStoredDirectoryThatExistsIsUsed) {
    std::filesystem::create_directories(dir / "mine");
    TSettings s;
    s.DisplayFormat = 5;
    WriteSettings(dir / "mine", s);
    platform.storedDataDirectory = (dir / "mine").string();
    LoadSettingsAndDataDir(*t, platform);
    EXPECT_EQ(t->run.DataDirectory, dir.path() / "mine/");
    EXPECT_EQ(t->settings.DisplayFormat, 5);
}

TEST_F(DataDirectoryRule, AVanishedDirectoryLeadsToTheUsersDataFolderAndCopiesTheOldFiles) {
    platform.storedDataDirectory = (dir / "gone").string();
    dir.Write("prog/Q5Log.lg8", "old log");
    LoadSettingsAndDataDir(*t, platform);
    const auto own = dir.path() / "appdata/Tavrel/DemoQ5/";
    EXPECT_EQ(t->run.DataDirectory, own);
    EXPECT_EQ(t->run.LogFilePath, own / "Q5Log.lg8");
    EXPECT_EQ(t->run.AuxFilePath, own / "Q5Par.pa8");
    EXPECT_EQ(t->settings.AuxFileName.str(), (own / "Q5Par.pa8").string());
    EXPECT_EQ(testing::ReadFileBytes(own / "Q5Log.lg8").size(), 7u);

    // A second first run never overwrites what the data folder holds already.
    dir.Write("appdata/Tavrel/DemoQ5/Q5Log.lg8", "newer log!");
    LoadSettingsAndDataDir(*t, platform);
    EXPECT_EQ(testing::ReadFileBytes(own / "Q5Log.lg8").size(), 10u);
}

TEST_F(DataDirectoryRule, AHintInTheProgramDirectoryIsFollowedUnlessItLiesInProgramFolders) {
    std::filesystem::create_directories(dir / "hinted");
    TSettings s;
    s.DataDirHint.assign((dir / "hinted/").string());
    WriteSettings(dir / "prog", s);
    LoadSettingsAndDataDir(*t, platform);
    EXPECT_EQ(t->run.DataDirectory, dir.path() / "hinted/");

    platform.programFolders = {dir.path().string()};
    LoadSettingsAndDataDir(*t, platform);
    EXPECT_EQ(t->run.DataDirectory, dir.path() / "appdata/Tavrel/DemoQ5/");
}

TEST_F(DataDirectoryRule, ADataFolderThatCannotBeCreatedFallsBackToTheProgramDirectory) {
    dir.Write("appdata", "a file where the folder should be");
    LoadSettingsAndDataDir(*t, platform);
    EXPECT_EQ(t->run.DataDirectory, t->run.ProgramDirectory);
}

TEST_F(DataDirectoryRule, SavingWritesTheRecordAndTheStoredDirectory) {
    t->run.DataDirectory = dir.path() / "prog/";
    t->run.AuxFilePath = "/x/Q5Par.pa8";
    t->settings.DataDirHint.assign("/somewhere/");
    ASSERT_TRUE(SaveSettings(*t, platform));
    EXPECT_EQ(platform.storedDataDirectory, (dir.path() / "prog/").string());
    TSettings back;
    ASSERT_TRUE(ReadSettingsFile(dir / "prog/Q5Set.st8", back));
    EXPECT_TRUE(back.DataDirHint.empty());
    EXPECT_EQ(back.AuxFileName.str(), "/x/Q5Par.pa8");
}

TEST_F(DataDirectoryRule, ALongNameIsSavedCutAtAWholeCharacter) {
    t->run.DataDirectory = dir.path() / "prog/";
    // 253 bytes, then a three-byte character that would end at byte 256 of a 255-byte field.
    const std::string folder = "/" + std::string(251, 'd') + "/";
    t->run.AuxFilePath = folder + "\xE2\x82\xAC.pa8";
    ASSERT_TRUE(SaveSettings(*t, platform));
    TSettings back;
    ASSERT_TRUE(ReadSettingsFile(dir / "prog/Q5Set.st8", back));
    EXPECT_EQ(back.AuxFileName.str(), folder);
    EXPECT_TRUE(IsUtf8(back.AuxFileName.view()));
    EXPECT_EQ(StoredFileName(back.AuxFileName), folder);
}

TEST(StoredFileNames, UnicodeNamesAreKeptWholeOrCutBeforeACharacter) {
    struct Case {
        std::string name;
        std::string stored;
    };
    const std::string a254(254, 'a');
    const Case cases[] = {
        {"/data/Q\xC3\xBC"
         "e.pa8",
         "/data/Q\xC3\xBC"
         "e.pa8"},                  // kept as UTF-8
        {a254 + "\xC3\xA9", a254},  // 256 bytes: the character goes
        {std::string(253, 'a') + "\xC3\xA9", std::string(253, 'a') + "\xC3\xA9"},
        {std::string(252, 'a') + "\xF0\x9F\x98\x80", std::string(252, 'a')},
        {std::string(300, 'b'), std::string(255, 'b')},
    };
    for (const Case& c : cases) {
        PString<256> field;
        StoreFileName(field, c.name);
        EXPECT_EQ(field.str(), c.stored) << c.name.size();
        EXPECT_EQ(StoredFileName(field), c.stored);
    }
    // A name from a settings file with CP1252 names reads as the same characters.
    PString<256> legacy;
    legacy.assign("/daten/M\xFCll.pa8");
    EXPECT_EQ(StoredFileName(legacy), "/daten/M\xC3\xBCll.pa8");
}

TEST(ProgramFolders, ComparedWithoutRegardToCase) {
    const std::vector<std::string> folders{"/usr/", "/opt/"};
    EXPECT_TRUE(InsideProgramFolders("/usr/share/x/", folders));
    EXPECT_TRUE(InsideProgramFolders("/OPT/vadrix/", folders));
    EXPECT_FALSE(InsideProgramFolders("/home/u/usr/", folders));
    EXPECT_FALSE(InsideProgramFolders("/us", folders));
}

}  // namespace
}  // namespace vadrix
