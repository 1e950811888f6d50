// A context stores what reception completes in its live log without further wiring.

#include <gtest/gtest.h>

#include "channel/Channel.h"
#include "channel/Framer.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix {
namespace {

TEST(ReceptionToLog, ACompletedFrameIsStoredCountedAndQueued) {
    testing::TempDir dir;
    testing::TestContext tc;
    tc->general.ProtocolVariant = 2;
    DeriveChannel2(*tc);
    tc->run.LogFilePath = dir / "live.lg8";
    tc->log.SetRingBlocks(4);
    ASSERT_TRUE(tc->log.Create());

    const std::uint8_t fixed[] = {0x10, 0x12, 0x34, 0x46, 0x16};
    ReceiveBlock(*tc, tc->emse2, fixed);

    EXPECT_EQ(tc->log.RecordCount(), 1u);
    EXPECT_EQ(tc->log.TelegramCount(source::kE2), 1u);
    EXPECT_EQ(tc->log.ErrorCount(source::kE2), 0u);
    EXPECT_EQ(tc->log.Queue().Pending(), 1);
    ASSERT_TRUE(tc->log.OpenView());
    tc->log.ViewToEnd();
    const TTelegram& rec = tc->log.ViewRecord();
    EXPECT_EQ(rec.Status, status::kGood);
    EXPECT_EQ(rec.Source, source::kE2);
    EXPECT_EQ(rec.FrameLen, 5);
    EXPECT_EQ(rec.SeqNo, 1);
}

}  // namespace
}  // namespace vadrix
