#pragma once
// A live log in a fresh directory, on a small ring, with helpers to make and read records.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <vector>

#include "app/Context.h"
#include "app/TimeBase.h"
#include "log/LogFileLayout.h"
#include "log/TelLog.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix::testing {

// A telegram as reception would hand it over: frame bytes 0x68, n - 2 payload bytes, 0x16.
inline TTelegram MakeTelegram(int frameLen, std::uint8_t source = source::kE1,
                              std::uint8_t status = status::kGood,
                              std::uint8_t kindCode = kind::kVariable, std::uint8_t station = 5) {
    TTelegram t{};
    t.Status = status;
    t.Kind = kindCode;
    t.FrameLen = static_cast<std::int16_t>(frameLen);
    t.Source = source;
    t.Station = station;
    for (int i = 0; i < frameLen && i < static_cast<int>(TTelegram::kMaxFrame); ++i)
        t.Frame[i] = static_cast<std::uint8_t>(i + 1);
    return t;
}

// Records of this frame length fill a block with 628 records of 52 bytes.
inline constexpr int kFrame = 20;
inline constexpr int kPerBlock = 628;

class LogFixture : public ::testing::Test {
  protected:
    static constexpr std::int32_t kNoonMs = 12 * 3600 * 1000;

    void SetUp() override {
        ctx().run.LogFilePath = file;
        ctx().run.ClockOffsetMs = kNoonMs;  // the fake clock starts at noon with counter 0
        log().SetRingBlocks(4);
        log().SetCounterHook([this](int k) { counterCalls.push_back(k); });
        ASSERT_TRUE(log().Create());
    }

    Context& ctx() { return *tc; }
    TTelLog& log() { return tc->log; }

    void StoreN(int n, int frameLen = kFrame, std::uint8_t source = source::kE1) {
        for (int i = 0; i < n; ++i) {
            TTelegram t = MakeTelegram(frameLen, source);
            log().Store(t);
        }
    }

    // Every SeqNo the view meets walking from the oldest record to the end block.
    std::vector<std::int32_t> WalkForward() {
        std::vector<std::int32_t> seen;
        log().ViewToStart();
        do {
            if (log().ViewRecord().RecLen != 0) seen.push_back(log().ViewRecord().SeqNo);
        } while (log().StepForward());
        return seen;
    }
    std::vector<std::int32_t> WalkBack() {
        std::vector<std::int32_t> seen;
        log().ViewToEnd();
        do {
            if (log().ViewRecord().RecLen != 0) seen.push_back(log().ViewRecord().SeqNo);
        } while (log().StepBack());
        return seen;
    }

    static TLogDirectory ReadDirectory(const std::filesystem::path& f) {
        const std::vector<std::uint8_t> bytes = ReadFileBytes(f);
        TLogDirectory d{};
        if (bytes.size() >= kLogBlocksStart)
            std::memcpy(&d, bytes.data() + kLogHeaderSize, sizeof d);
        return d;
    }

    TempDir dir;  // declared first: it outlives the context, which finishes its log
    TestContext tc;
    std::filesystem::path file = dir / "live.lg8";
    std::vector<int> counterCalls;
};

inline std::vector<std::int32_t> Range(std::int32_t first, std::int32_t last) {
    std::vector<std::int32_t> v;
    for (std::int32_t i = first; i <= last; ++i) v.push_back(i);
    return v;
}

}  // namespace vadrix::testing
