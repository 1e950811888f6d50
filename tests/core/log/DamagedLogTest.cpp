// Damaged log files: each one is refused untouched or opens, and the view steps over all
// that is readable without reading outside a block or looping.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <random>
#include <string>

#include "LogFixture.h"
#include "support/TempDir.h"

namespace vadrix::testing {
namespace {

// A finished log of four blocks: blocks 0 and 1 full (628 records each), block 2 the current
// one with 10 records.
constexpr int kStored = 2 * kPerBlock + 10;
constexpr std::size_t kBlock0 = kLogBlocksStart;
constexpr std::size_t kBlock1 = kLogBlocksStart + kLogBlockSize;
constexpr std::size_t kBlock2 = kLogBlocksStart + 2 * kLogBlockSize;
constexpr std::size_t Rec(std::size_t block, std::size_t i) {
    return block + 64 + i * 52;
}

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t off, std::uint16_t v) {
    WriteLe<std::uint16_t>(b, off, v);
}
void Put32(Bytes& b, std::size_t off, std::uint32_t v) {
    WriteLe<std::uint32_t>(b, off, v);
}

struct DamageCase {
    const char* what;
    std::function<void(Bytes&)> damage;
    bool opens;
    int readable;  // records the view meets from the oldest to the newest
};

class DamagedLogTest : public LogFixture, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedLogTest, OpensOrIsRefusedCleanly) {
    const DamageCase& c = GetParam();
    StoreN(kStored);
    log().Close();
    Bytes bytes = ReadFileBytes(file);
    ASSERT_EQ(bytes.size(), kLogBlocksStart + 3 * kLogBlockSize);
    c.damage(bytes);
    const auto damaged = dir.Write("damaged.lg8", bytes);

    ASSERT_TRUE(log().Open(file, false));  // the log in use before
    const bool opened = log().Open(damaged, false, OpenIntent::kChosenFile);
    ASSERT_EQ(opened, c.opens);
    if (!opened) {
        EXPECT_EQ(ReadFileBytes(damaged), bytes);  // not touched
        EXPECT_EQ(ctx().run.LogFilePath, file);
        EXPECT_EQ(log().RecordCount(), static_cast<std::uint32_t>(kStored));
        ASSERT_EQ(tc.ui.messages.size(), 1u);
        EXPECT_NE(tc.ui.messages[0].text.find("damaged.lg8"), std::string::npos);
        return;
    }
    ASSERT_TRUE(log().OpenView());
    const std::vector<std::int32_t> forward = WalkForward();
    EXPECT_EQ(static_cast<int>(forward.size()), c.readable);
    std::vector<std::int32_t> back = WalkBack();
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(back, forward);
    EXPECT_LE(tc.ui.messages.size(), 2u);  // at most one on opening and one for the view

    // The damaged log takes new records and opens again as a sound log.
    StoreN(3);
    log().Close();
    ASSERT_TRUE(log().Open(damaged, false));
    ASSERT_TRUE(log().OpenView());
    EXPECT_EQ(static_cast<int>(WalkForward().size()), c.readable + 3);
}

const DamageCase kCases[] = {
    {"nothing", [](Bytes&) {}, true, kStored},
    {"truncated header", [](Bytes& b) { b.resize(1000); }, false, 0},
    {"truncated directory", [](Bytes& b) { b.resize(2050); }, false, 0},
    {"wrong magic", [](Bytes& b) { b[3] = 0x52; }, false, 0},
    {"wrong header size", [](Bytes& b) { Put32(b, 8, 2001); }, false, 0},
    {"wrong directory size", [](Bytes& b) { Put32(b, 2000, 0); }, false, 0},
    {"no blocks", [](Bytes& b) { Put32(b, 2004, 0); }, false, 0},
    {"more blocks than a file can hold", [](Bytes& b) { Put32(b, 2004, 0x7FFFFFFF); }, false, 0},
    {"oldest block beyond N", [](Bytes& b) { Put32(b, 2008, 4); }, false, 0},
    {"current block beyond N", [](Bytes& b) { Put32(b, 2012, 77); }, false, 0},
    {"N beyond the end of the file", [](Bytes& b) { Put32(b, 2004, 1000); }, true, kStored},
    // The walk from the oldest block round to block 0 must not visit the absent blocks one by
    // one (it took seconds per opening).
    {"a huge wrapped ring in a short file",
     [](Bytes& b) {
         Put32(b, 2004, 100000);
         Put32(b, 2008, 3);
     },
     true, kStored},
    // With no block in the file, the backward walk from the current block must wrap round to
    // the oldest one above it (it jumped to the top of the ring again and again).
    {"a ring whose file ends before its first block",
     [](Bytes& b) {
         b.resize(kBlock0);
         Put32(b, 2004, 256);
         Put32(b, 2008, 9);
     },
     true, 0},
    {"RecLen 0 inside a block", [](Bytes& b) { Put16(b, Rec(kBlock0, 5) + 2, 0); }, true,
     5 + kPerBlock + 10},
    {"RecLen 1", [](Bytes& b) { Put16(b, Rec(kBlock0, 5) + 2, 1); }, true, 5 + kPerBlock + 10},
    {"RecLen odd", [](Bytes& b) { Put16(b, Rec(kBlock0, 5) + 2, 53); }, true, 5 + kPerBlock + 10},
    {"RecLen shorter than a head", [](Bytes& b) { Put16(b, Rec(kBlock0, 5) + 2, 20); }, true,
     5 + kPerBlock + 10},
    {"RecLen not matching the frame", [](Bytes& b) { Put16(b, Rec(kBlock0, 5) + 2, 54); }, true,
     5 + kPerBlock + 10},
    {"RecLen 65535", [](Bytes& b) { Put16(b, Rec(kBlock0, 5) + 2, 0xFFFF); }, true,
     5 + kPerBlock + 10},
    {"RecLen beyond the block",
     [](Bytes& b) {
         const std::size_t last = Rec(kBlock0, kPerBlock - 1);
         Put16(b, last + 2, 302);
         Put16(b, last + 6, 270);
     },
     true, kPerBlock - 1 + kPerBlock + 10},
    {"PrevLen before the block start", [](Bytes& b) { Put16(b, Rec(kBlock1, 0), 100); }, true,
     kPerBlock + 10},
    {"PrevLen in a loop", [](Bytes& b) { Put16(b, Rec(kBlock1, 7), 0); }, true, kPerBlock + 7 + 10},
    {"negative frame length", [](Bytes& b) { Put16(b, Rec(kBlock2, 3) + 6, 0xFFF0); }, true,
     2 * kPerBlock + 3},
    {"a block of zeros", [](Bytes& b) { std::fill(b.begin() + kBlock1, b.begin() + kBlock2, 0); },
     true, kPerBlock + 10},
    {"a block of 0xFF", [](Bytes& b) { std::fill(b.begin() + kBlock1, b.begin() + kBlock2, 0xFF); },
     true, kPerBlock + 10},
    {"garbage block header",
     [](Bytes& b) {
         Put32(b, kBlock0 + 4, 0xFFFFFFFF);
         Put32(b, kBlock0 + 32, 0xFFFFFFFF);
     },
     true, kStored},
    {"file cut inside the current block", [](Bytes& b) { b.resize(Rec(kBlock2, 5) + 10); }, true,
     2 * kPerBlock + 5},
    {"file cut inside an older block", [](Bytes& b) { b.resize(Rec(kBlock1, 100) + 3); }, true,
     kPerBlock + 100},
    {"newest number below the oldest",
     [](Bytes& b) {
         Put32(b, 2020, 900);
         Put32(b, 2024, 3);
     },
     true, kStored},
};

INSTANTIATE_TEST_SUITE_P(Files, DamagedLogTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DamageCase>& info) {
                             std::string name;
                             for (const char* p = info.param.what; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

// Random damage anywhere in the directory and the blocks: whatever opens can be walked both
// ways in a bounded number of steps.
using RandomDamageTest = LogFixture;

TEST_F(RandomDamageTest, AnyDamageOpensOrIsRefusedAndNeverLoops) {
    StoreN(kStored);
    log().Close();
    const Bytes sound = ReadFileBytes(file);
    std::mt19937 rng(20261210);
    std::uniform_int_distribution<std::size_t> anywhere(kLogHeaderSize, sound.size() - 1);
    std::uniform_int_distribution<std::size_t> inDirectory(kLogHeaderSize, kLogHeaderSize + 44);
    std::uniform_int_distribution<int> byte(0, 255);
    const int maxSteps = 4 * (static_cast<int>(kMaxRecordsPerBlock) + 1);
    for (int round = 0; round < 150; ++round) {
        SCOPED_TRACE(round);
        Bytes bytes = sound;
        const int flips = 1 + round % 24;
        for (int i = 0; i < flips; ++i) {
            const std::size_t at = i % 5 == 0 ? inDirectory(rng) : anywhere(rng);
            bytes[at] = static_cast<std::uint8_t>(byte(rng));
        }
        const auto damaged = dir.Write("random.lg8", bytes);
        if (!log().Open(damaged, false, OpenIntent::kChosenFile)) continue;
        ASSERT_TRUE(log().OpenView());
        int steps = 0;
        log().ViewToStart();
        while (log().StepForward()) ASSERT_LT(++steps, maxSteps);
        log().ViewToEnd();
        while (log().StepBack()) ASSERT_LT(++steps, 2 * maxSteps);
        EXPECT_GE(log().Move(-100000), -maxSteps);
        StoreN(3);
        log().Close();
    }
}

}  // namespace
}  // namespace vadrix::testing
