// The main timer's tick: the stored online state applied after start, the measured tick
// period, going offline on a log write error or a raised fault, the online command, and the
// daily log at midnight.

#include "app/Engine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/DataFiles.h"
#include "common/TextIds.h"
#include "log/LogFileLayout.h"
#include "support/EngineRig.h"
#include "support/TempDir.h"

namespace vadrix {
namespace {

using testing::EngineRig;

class EngineTick : public ::testing::Test, public EngineRig {
  protected:
    void SetUp() override {
        ASSERT_TRUE(tc->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
        tc->run.DataDirectory = dir.path();
        tc->log.SetRingBlocks(4);
        Configure();
    }
    // Ticks until the tick count's next check (count mod 32 = 5 after the tick).
    void TickToCheck() {
        do Tick();
        while (tc->run.TickCount % 32 != 5);
    }
    std::string LastMessage() const {
        return tc.ui.messages.empty() ? std::string() : tc.ui.messages.back().text;
    }

    testing::TempDir dir;
};

TEST_F(EngineTick, TheStoredOnlineStateIsAppliedAtTheSeventhTick) {
    tc->settings.Online = 1;
    engine.Start();
    Ticks(6);
    EXPECT_FALSE(port1.IsOpen());
    Tick();
    EXPECT_TRUE(port1.IsOpen());
    EXPECT_TRUE(port2.IsOpen());
    Ticks(300);
    EXPECT_EQ(port1.openCount, 1) << "applied once";
}

TEST_F(EngineTick, AStoredOfflineStateLeavesThePortsClosed) {
    engine.Start();
    Ticks(10);
    EXPECT_FALSE(port1.IsOpen());
    EXPECT_TRUE(tc.ui.messages.empty());
}

struct PeriodCase {
    std::uint32_t msPerTick;
    std::uint32_t period;
};

class TickPeriod : public EngineTick, public ::testing::WithParamInterface<PeriodCase> {};

TEST_P(TickPeriod, IsTheMeanOfTheLast256TicksWithin45To70) {
    tc.clock.autoStep = 0;  // time passes by the tick only
    tc.clock.Advance(GetParam().msPerTick);
    engine.Tick();
    EXPECT_EQ(tc->run.TickPeriodMs, 60u) << "the first measurement only takes the time";
    for (int i = 1; i <= 256; ++i) {
        tc.clock.Advance(GetParam().msPerTick);
        engine.Tick();
    }
    EXPECT_EQ(tc->run.TickPeriodMs, GetParam().period);
}

INSTANTIATE_TEST_SUITE_P(Measured, TickPeriod,
                         ::testing::Values(PeriodCase{20, 45}, PeriodCase{44, 45},
                                           PeriodCase{54, 54}, PeriodCase{63, 63},
                                           PeriodCase{71, 70}, PeriodCase{500, 70}));

TEST_F(EngineTick, AMeasurementAcrossMidnightOnlyTakesTheTime) {
    tc.clock.autoStep = 0;
    tc.clock.now = {2026, 12, 10, 23, 59, 55, 0};
    for (int i = 0; i < 256; ++i) {
        tc.clock.Advance(50);
        engine.Tick();
    }
    tc.clock.now = {2026, 12, 11, 0, 0, 7, 800};  // the fake clock keeps the day; set it
    engine.Tick();
    EXPECT_EQ(tc->run.TickPeriodMs, 60u);
    for (int i = 0; i < 256; ++i) {
        tc.clock.Advance(50);
        engine.Tick();
    }
    EXPECT_EQ(tc->run.TickPeriodMs, 50u);
}

TEST_F(EngineTick, ALogWriteErrorTakesTheProgramOfflineAtTheNextCheck) {
    GoOnline();
    tc->run.LogErrorFlag = true;
    int ticks = 0;
    while (tc->settings.Online != 0 && ticks < 40) {
        Tick();
        ++ticks;
    }
    EXPECT_LE(ticks, 32);
    EXPECT_EQ(tc->run.TickCount % 32, 5u);
    EXPECT_FALSE(port1.IsOpen());
    EXPECT_FALSE(port2.IsOpen());
    EXPECT_FALSE(tc->run.LogErrorFlag);
    EXPECT_EQ(LastMessage(), tc->Txt(txt::kLogWriteError));
    EXPECT_FALSE(LastMessage().empty());
}

TEST_F(EngineTick, ALogWriteErrorWhileOfflineShowsNothing) {
    tc->run.LogErrorFlag = true;
    Ticks(40);
    EXPECT_TRUE(tc.ui.messages.empty());
}

TEST_F(EngineTick, AFaultIsForgivenWhileTheAllowanceLastsThenTakesTheProgramOffline) {
    GoOnline();
    TFaultRecord& f = tc->run.FaultRecord;
    f = {0x1234, 2, 3, 3, 0, 0xAB};
    TickToCheck();
    EXPECT_EQ(f.A, 0u);
    EXPECT_EQ(f.B, 0u);
    EXPECT_EQ(f.RetryAllowance, 2u);
    EXPECT_EQ(f.RetryCount, 1u);
    EXPECT_EQ(tc->settings.Online, 1);

    f.A = 0x1234;
    f.B = 2;
    TickToCheck();
    EXPECT_EQ(f.RetryAllowance, 1u);
    EXPECT_EQ(tc->settings.Online, 1);

    f.A = 0x1234;
    f.B = 2;
    TickToCheck();
    EXPECT_EQ(tc->settings.Online, 0);
    EXPECT_FALSE(port1.IsOpen());
    EXPECT_FALSE(tc->run.FaultFlag);
    EXPECT_EQ(tc->Txt(txt::kFaultText), "12.2.3.1.ab");
    tc.loop.ProcessPending();  // the message comes through the main loop
    EXPECT_EQ(LastMessage(), "12.2.3.1.ab" + std::string(tc->Txt(txt::kFaultMessage)));
}

TEST_F(EngineTick, AFaultAfterThreeRetriesIsNotForgiven) {
    GoOnline();
    tc->run.FaultRecord = {0x100, 0, 0, 10, 3, 0};
    TickToCheck();
    EXPECT_EQ(tc->settings.Online, 0);
    EXPECT_EQ(tc->Txt(txt::kFaultText), "1.0.0.10.0");
}

TEST_F(EngineTick, TheOnlineCommandToggles) {
    tc->run.LogFilePath = DataFileName(*tc, txt::kLogFileName);
    engine.ToggleOnline();
    EXPECT_EQ(tc->settings.Online, 1);
    EXPECT_TRUE(port1.IsOpen());
    engine.ToggleOnline();
    EXPECT_EQ(tc->settings.Online, 0);
    EXPECT_FALSE(port1.IsOpen());
    engine.GoOffline();
    EXPECT_EQ(tc->settings.Online, 0);
}

TEST_F(EngineTick, GoingOnlineTakesTheLiveLogOfToday) {
    tc->run.LogFilePath = dir / "other.lg8";
    ASSERT_TRUE(tc->log.Create());
    engine.ToggleOnline();
    EXPECT_EQ(tc->run.LogFilePath, DataFileName(*tc, txt::kLogFileName));
    EXPECT_TRUE(std::filesystem::exists(tc->run.LogFilePath));
}

// The main timer writes the log through about once a second: a record stored a second ago is
// in the file, as a reader of it (or a program killed now and started again) finds it.
TEST_F(EngineTick, TheLogReachesItsFileWithinASecond) {
    tc->run.LogFilePath = dir / "live.lg8";
    ASSERT_TRUE(tc->log.Create());
    const auto onDisk = [&] {
        TLogDirectory d{};
        TTelegram first{};
        std::ifstream f(tc->run.LogFilePath, std::ios::binary);
        f.seekg(kLogHeaderSize);
        f.read(reinterpret_cast<char*>(&d), sizeof d);
        f.seekg(static_cast<std::streamoff>(LogBlockOffset(0) + kBlockRecordsStart));
        f.read(reinterpret_cast<char*>(&first), sizeof first);
        return std::pair{d.NewestSeqNo, first.SeqNo};
    };
    TTelegram rec{};
    rec.Source = source::kE1;
    rec.Status = status::kGood;
    rec.Kind = kind::kVariable;
    rec.FrameLen = 6;
    ASSERT_TRUE(tc->log.Store(rec));
    Tick();
    EXPECT_EQ(onDisk(), (std::pair<std::uint32_t, std::int32_t>{0, 0})) << "written at once";
    Ticks(1000 / static_cast<int>(kTickMs) + 1);
    EXPECT_EQ(onDisk(), (std::pair<std::uint32_t, std::int32_t>{1, 1}));
    EXPECT_FALSE(tc->run.LogErrorFlag);
}

class DailyLog : public EngineTick {
  protected:
    void SetUp() override {
        EngineTick::SetUp();
        engine.hooks.showOnlineDisplay = [this] { ++shown; };
        tc->run.LogFilePath = dir / "before.lg8";
        tc.clock.now = {2026, 12, 10, 23, 59, 30, 0};
    }
    // The last minute of the day passes into the first of the next.
    void PassMidnight() {
        GoOnline();
        Ticks(2);
        tc.clock.now = {2026, 12, 11, 0, 0, 0, 100};
        Ticks(4);
    }
    int shown = 0;
};

TEST_F(DailyLog, BeginsANewLogAtMidnightWhenChosen) {
    tc->settings.Options[TSettings::kOptDailyLog] = 1;
    PassMidnight();
    EXPECT_EQ(tc->run.LogFilePath, dir / "Q5Log11.lg8");
    EXPECT_TRUE(std::filesystem::exists(tc->run.LogFilePath));
    EXPECT_EQ(shown, 1);
    tc.clock.now.minute = 1;
    Ticks(4);
    EXPECT_EQ(shown, 1) << "only at 00:00";
}

TEST_F(DailyLog, KeepsTheLogWithoutTheOption) {
    PassMidnight();
    EXPECT_EQ(tc->run.LogFilePath, dir / "before.lg8");
    EXPECT_EQ(shown, 0);
}

}  // namespace
}  // namespace vadrix
