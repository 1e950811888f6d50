#include "log/SendFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "app/DataFiles.h"
#include "app/SendDefaults.h"
#include "common/TextIds.h"
#include "log/SendFileLayout.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix {
namespace {

using testing::TestContext;

struct SendFileTest : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(tc->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
        tc->run.DataDirectory = dir.path();
        SetDefaultSendTelegrams(*tc);
        SetDefaultSendLists(*tc);
    }
    void Write(const std::filesystem::path& p, const std::string& bytes) {
        std::ofstream(p, std::ios::binary) << bytes;
    }
    std::string Read(const std::filesystem::path& p) { return testing::ReadFileText(p); }
    // A changed set-up so that loading can be told from not loading.
    void Change(Context& c) {
        c.general.ProtocolVariant = 2;
        c.general.LogSize = 3;
        c.emse1.P.ComNumber = 7;
        c.emse2.P.StationAddr[0] = 99;
        c.sendTelegrams.Items[4].Head.Bez.assign("changed");
        c.sendLists.Items[11].Row(400).TelNr = 1001;
    }
    TestContext tc;
    testing::TempDir dir;
};

TEST_F(SendFileTest, SavedFileLoadsAgainIdentically) {
    Change(*tc);
    const auto file = dir.path() / "set.st8";
    tc->run.SendFileModified = true;
    ASSERT_TRUE(SaveSendFile(*tc, file));
    EXPECT_FALSE(tc->run.SendFileModified);
    EXPECT_EQ(tc->run.AuxFilePath, file);
    EXPECT_EQ(std::filesystem::file_size(file), TSendFile::kSize);

    TestContext other;
    other->run.DataDirectory = dir.path();
    other->general.LogSize = 20;
    other->run.SendFileModified = true;
    ASSERT_TRUE(LoadSendFile(*other, file));
    EXPECT_TRUE(other.ui.messages.empty());
    EXPECT_EQ(other->general.ProtocolVariant, 2);
    EXPECT_EQ(other->general.LogSize, 20);  // the log in use keeps its size
    EXPECT_EQ(std::memcmp(&other->emse1.P, &tc->emse1.P, sizeof(TChannelBlock)), 0);
    EXPECT_EQ(std::memcmp(&other->emse2.P, &tc->emse2.P, sizeof(TChannelBlock)), 0);
    EXPECT_EQ(std::memcmp(&other->sendTelegrams, &tc->sendTelegrams, sizeof(TSendTelegramTable)),
              0);
    EXPECT_EQ(std::memcmp(&other->sendLists, &tc->sendLists, sizeof(TSendListTable)), 0);
    EXPECT_FALSE(other->run.SendFileModified);

    // Saving what was loaded gives the same bytes.
    const auto again = dir.path() / "again.st8";
    other->general.LogSize = 3;
    ASSERT_TRUE(SaveSendFile(*other, again));
    EXPECT_EQ(Read(again), Read(file));
}

TEST_F(SendFileTest, ForeignFilesChangeNothingAndAreReported) {
    ASSERT_TRUE(SaveSendFile(*tc, dir.path() / "good.st8"));
    const std::string good = Read(dir.path() / "good.st8");
    std::string foreignMagic = good;
    foreignMagic[0] = 'X';
    std::string badHeaderSize = good;
    badHeaderSize[8] = 0;
    const std::pair<std::string, std::string> files[] = {
        {"short.st8", good.substr(0, TSendFile::kSize - 1)},
        {"long.st8", good + "x"},
        {"empty.st8", ""},
        {"magic.st8", foreignMagic},
        {"header.st8", badHeaderSize},
    };
    Change(*tc);
    TestContext before;
    Change(*before);
    for (const auto& [name, bytes] : files) {
        const auto file = dir.path() / name;
        Write(file, bytes);
        tc.ui.messages.clear();
        EXPECT_FALSE(LoadSendFile(*tc, file)) << name;
        ASSERT_EQ(tc.ui.messages.size(), 1u) << name;
        EXPECT_EQ(tc.ui.messages[0].text,
                  std::string(tc->Txt(txt::kSendFileInvalid)) + file.string());
        EXPECT_EQ(tc->sendTelegrams.Items[4].Head.Bez.str(), "changed") << name;
        EXPECT_EQ(tc->emse1.P.ComNumber, 7u) << name;
        EXPECT_EQ(tc->general.ProtocolVariant, 2) << name;
    }
    EXPECT_EQ(Read(dir.path() / "good.st8"), good);
}

TEST_F(SendFileTest, MissingFiles) {
    EXPECT_FALSE(LoadSendFile(*tc, DefaultSendFilePath(*tc)));
    EXPECT_TRUE(tc.ui.messages.empty());  // a missing default file is no error
    EXPECT_FALSE(LoadSendFile(*tc, dir.path() / "gone.st8"));
    EXPECT_EQ(tc.ui.messages.size(), 1u);
    EXPECT_EQ(DefaultSendFilePath(*tc).filename(), "Q5Send.st8");
}

TEST_F(SendFileTest, EveryInstanceHasItsOwnDefaultFile) {
    tc->run.InstanceNumber = 2;
    EXPECT_EQ(DefaultSendFilePath(*tc), DataFileName(*tc, txt::kSendFileName));
    EXPECT_EQ(DefaultSendFilePath(*tc).filename(), "Q5Send2.st8");
    // The second instance's default file missing is no error either.
    EXPECT_FALSE(LoadSendFile(*tc, DataFileName(*tc, txt::kSendFileName)));
    EXPECT_TRUE(tc.ui.messages.empty());
}

// The row counts stored with a list are taken from its rows: a count past row 400 would
// send the scheduler outside the list.
TEST_F(SendFileTest, RowCountsOfTheListsFollowTheirRows) {
    TSendList& l = tc->sendLists.Items[3];
    l.Row(2).Akt = 1;
    l.Row(9).Akt = 1;
    l.LastActive = 83902201;
    l.ActiveCount = -5;
    const auto file = dir.path() / "counts.st8";
    ASSERT_TRUE(SaveSendFile(*tc, file));

    TestContext other;
    other->run.DataDirectory = dir.path();
    ASSERT_TRUE(LoadSendFile(*other, file));
    EXPECT_EQ(other->sendLists.Items[3].LastActive, 9);
    EXPECT_EQ(other->sendLists.Items[3].ActiveCount, 2);
}

TEST_F(SendFileTest, PartsWithWrongSizeWordsAreSkipped) {
    Change(*tc);
    const auto file = dir.path() / "parts.st8";
    ASSERT_TRUE(SaveSendFile(*tc, file));
    std::string bytes = Read(file);
    bytes[offsetof(TSendFile, Telegrams)] ^= 1;  // telegram table size word spoilt
    bytes[offsetof(TLogHeader, Channel1)] ^= 1;  // so is channel 1's
    Write(file, bytes);

    TestContext other;
    SetDefaultSendTelegrams(*other);
    ASSERT_TRUE(LoadSendFile(*other, file));
    EXPECT_NE(other->sendTelegrams.Items[4].Head.Bez.str(), "changed");
    EXPECT_EQ(other->emse1.P.ComNumber, 0u);
    EXPECT_EQ(other->emse2.P.StationAddr[0], 99);
    EXPECT_EQ(other->sendLists.Items[11].Row(400).TelNr, 1001);
}

TEST_F(SendFileTest, UnwritableFileReportsFailure) {
    EXPECT_FALSE(SaveSendFile(*tc, dir.path() / "no" / "such" / "dir.st8"));
    EXPECT_TRUE(tc->run.AuxFilePath.empty());
}

}  // namespace
}  // namespace vadrix
