#include "editors/SendControl.h"

#include <gtest/gtest.h>

#include "app/SendDefaults.h"
#include "common/TextIds.h"
#include "editors/EditorSession.h"
#include "support/TestContext.h"

namespace vadrix {
namespace {

using testing::TestContext;

struct SendControlTest : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(tc->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
        SetDefaultSendTelegrams(*tc);
        SetDefaultSendLists(*tc);
        tc->settings.Online = 1;
        tc->emse1.P.ComNumber = 1;
        tc->emse2.P.ComNumber = 2;
    }
    std::string LastMessage() { return tc.ui.messages.empty() ? "" : tc.ui.messages.back().text; }
    TestContext tc;
};

TEST_F(SendControlTest, RequestNeedsOnlineAndAPort) {
    TSendHeader& h = tc->sendTelegrams.Items[0].Head;
    tc->settings.Online = 0;
    tc->emse1.P.ComNumber = 0;
    EXPECT_FALSE(RequestSend(*tc, h));
    EXPECT_EQ(LastMessage(), tc->Txt(txt::kOfflineNoSend));  // offline wins
    tc->settings.Online = 1;
    EXPECT_FALSE(RequestSend(*tc, h));
    EXPECT_EQ(LastMessage(), tc->Txt(txt::kNoPortConfigured));
    EXPECT_EQ(h.SendState, 0);

    tc->emse1.P.ComNumber = 3;
    EXPECT_TRUE(RequestSend(*tc, h));
    EXPECT_EQ(h.SendState, 1);

    // Type 77 on a channel with function 4 also marks the channel.
    TSendHeader& h2 = tc->sendTelegrams.Items[1].Head;
    h2.Send = 4;
    h2.Entry.Typ = 77;
    tc->emse2.ChannelFunction = 4;
    EXPECT_TRUE(RequestSend(*tc, h2));
    EXPECT_EQ(tc->emse2.SendFlag, 1);
    EXPECT_EQ(tc->emse1.SendFlag, 0);
}

TEST_F(SendControlTest, FreshListHasNoActiveRow) {
    TSendList& l = tc->sendLists.Items[4];
    EXPECT_EQ(l.Head.Bez.str(), std::string(tc->Txt(txt::kSendListName)) + "5");
    EXPECT_FALSE(RequestSendList(*tc, l));
    EXPECT_EQ(LastMessage(), tc->Txt(txt::kListEmpty));
}

TEST_F(SendControlTest, StoringAListCountsRowsAndResetsSending) {
    TSendList working = tc->sendLists.Items[2];
    working.Row(3).Akt = 1;
    working.Row(7).Akt = 1;
    working.Head.Anst = 4;
    tc->sendLists.Items[2].Head.SendState = 3;
    StoreList(*tc, 3, working);
    const TSendList& stored = tc->sendLists.Items[2];
    EXPECT_EQ(stored.ActiveCount, 2);
    EXPECT_EQ(stored.LastActive, 7);
    EXPECT_EQ(working.LastActive, 7);
    EXPECT_EQ(stored.Head.SendState, 0);
    EXPECT_EQ(stored.NextRow, 1);
    EXPECT_TRUE(tc->run.SendFileModified);
    EXPECT_TRUE(tc->run.TimeTriggers);
    EXPECT_TRUE(RequestSendList(*tc, tc->sendLists.Items[2]));
}

TEST_F(SendControlTest, StoringAnUnchangedTelegramKeepsTheFileClean) {
    TSendTelegram working = tc->sendTelegrams.Items[0];
    working.Head.FocusIndex = 5;  // focus and run-time state are no change
    working.Head.SendState = 2;
    StoreTelegram(*tc, 1, working);
    EXPECT_FALSE(tc->run.SendFileModified);
    working.Head.Entry.B[0] ^= 1;
    StoreTelegram(*tc, 1, working);
    EXPECT_TRUE(tc->run.SendFileModified);
}

TEST_F(SendControlTest, StopAllSendingResetsEverything) {
    tc->sendTelegrams.Items[0].Head.SendState = 1;
    tc->sendTelegrams.Items[0].Head.SentCount = 9;
    tc->sendLists.Items[1].RoundCount = 4;
    tc->sendLists.Items[1].NextRow = 9;
    tc->run.TimeTriggers = true;
    StopAllSending(*tc);
    EXPECT_EQ(tc->sendTelegrams.Items[0].Head.SendState, 0);
    EXPECT_EQ(tc->sendTelegrams.Items[0].Head.SentCount, 0);
    EXPECT_EQ(tc->sendLists.Items[1].RoundCount, 0);
    EXPECT_EQ(tc->sendLists.Items[1].NextRow, 1);
    EXPECT_FALSE(tc->run.TimeTriggers);
    tc->sendLists.Items[11].Head.Anst = 3;
    StopAllSending(*tc);
    EXPECT_TRUE(tc->run.TimeTriggers);
}

TEST_F(SendControlTest, Captions) {
    TSendHeader h;
    h.Bez.assign("Name");
    const std::string mark0(tc->Txt(txt::kStartMarkBase));
    EXPECT_EQ(SendActionCaption(*tc, 12, h), "C" + mark0 + " Name");
    h.Anst = 1;
    h.AnstTNr = 520;
    EXPECT_EQ(EditActionCaption(*tc, 1, h),
              "1" + std::string(tc->Txt(txt::kStartMarkBase + 1)) + "520 Name...");
}

TEST_F(SendControlTest, FreshTelegramSlotThree) {
    const TSendHeader& h = tc->sendTelegrams.Items[2].Head;
    EXPECT_EQ(h.Entry.Typ, 2);
    EXPECT_EQ(h.Entry.Lg, 2);
    EXPECT_EQ(h.AnzT, 1);
    EXPECT_EQ(h.WZt, 100);
    EXPECT_EQ(h.AnstByte, 255);
    EXPECT_EQ(&SendChannel(*tc, h), &tc->emse1);
}

TEST_F(SendControlTest, ListEditorFollowsTheRowsEachRoundSends) {
    TSendList& stored = tc->sendLists.Items[4];
    stored.Row(3).Akt = 1;
    stored.Row(7).Akt = 1;
    TSendList working = BeginListEdit(*tc, 5);
    EXPECT_EQ(tc->run.OpenSendEditor, open_editor::kList);
    StoreList(*tc, 5, working);
    EXPECT_EQ(working.ActiveCount, 2);
    EXPECT_EQ(working.LastActive, 7);

    struct Case {
        int perRound, from, to;
    };
    // All active rows per round: 3 and 7, then on from row 1. Three per round: 3, 7, 3.
    for (const Case c : {Case{0, 3, 1}, Case{0, 1, 1}, Case{3, 1, 4}, Case{3, 4, 1}}) {
        working.Head.AnzO = c.perRound;
        working.CurRow = c.from;
        EXPECT_FALSE(FollowListPass(*tc, working, stored));
        EXPECT_EQ(working.CurRow, c.to) << c.perRound << " from " << c.from;
    }

    // A counter row takes the bytes the scheduler advanced.
    tc->settings.Options[TSettings::kOptCounterIncrement] = 1;
    working.Row(3).Typ = stored.Row(3).Typ = 15;
    stored.Row(3).B[0] = 42;
    working.CurRow = 3;
    EXPECT_TRUE(FollowListPass(*tc, working, stored));
    EXPECT_EQ(working.Row(3).B[0], 42);

    // Rows activated after storing lie past the stored last row: the walk still ends.
    TSendList none = working;
    for (TSendEntry& e : none.Rows) e.Akt = 0;
    none.Row(200).Akt = 1;
    none.CurRow = 5;
    EXPECT_FALSE(FollowListPass(*tc, none, stored));
    EXPECT_EQ(none.CurRow, 6);

    EndEdit(*tc, 5);
    EXPECT_EQ(tc->run.OpenSendEditor, open_editor::kNone);
    EXPECT_EQ(stored.Head.NotifyWindow, 0);
}

TEST_F(SendControlTest, StationChoicesEndWithTheNoStationNumber) {
    tc->emse2.P.StationCount = 2;
    tc->emse2.P.StationAddr[0] = 7;
    tc->emse2.P.StationAddr[1] = 9;
    tc->run.NoStation = 127;
    TSendHeader h;
    h.Send = 4;
    EXPECT_EQ(StationChoices(*tc, h), (std::vector<int>{7, 9, 127}));
    EXPECT_EQ(ValidStationIndex(3, 3), 0);
    EXPECT_EQ(ValidStationIndex(2, 3), 2);
}

}  // namespace
}  // namespace vadrix
