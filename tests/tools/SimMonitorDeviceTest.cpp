// The monitor device against the program's own composer and reception: its answers, the
// link it reports, its timing and its faults, as the program's checks see them.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "SimMonitorRig.h"
#include "channel/CheckBits.h"
#include "channel/LinkFields.h"
#include "support/TempDir.h"
#include "transmit/Compose.h"

namespace vadrix {
namespace {

using sim::Fault;
using testing::MonitorRig;

constexpr const char* kThreeLines =
    "station 5 on E1\n"
    "  indications 781 every 0.5\n"
    "station 1 on S\n"
    "  time 103 every 0.7\n"
    "station 7 on E2\n"
    "  measured 600 every 0.6\n"
    "  counter 400 every 0.9 bcd\n";

// The frames the device wrote, cut at their length bytes.
std::vector<std::vector<std::uint8_t>> Frames(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::vector<std::uint8_t>> out;
    for (std::size_t i = 0; i + 4 <= bytes.size();) {
        const std::size_t n = bytes[i + 1] + 6u;
        out.emplace_back(
            bytes.begin() + static_cast<std::ptrdiff_t>(i),
            bytes.begin() + static_cast<std::ptrdiff_t>(std::min(i + n, bytes.size())));
        i += n;
    }
    return out;
}

TEST(SimMonitorDevice, TakesTheConfigurationAndAnswersItWithKind1) {
    MonitorRig rig(kThreeLines);
    rig.ProgramLine(1) = {1200, 2, 1, 32, 1, 40, 50, 0};
    rig.ProgramLine(2) = {600, 2, 2, 34, 1, 40, 50, 0};
    rig.ProgramLine(3) = {2400, 2, 0, 32, 1, 40, 50, 0};
    rig.program->emse1.AwaitState = 2;
    rig.Configure();

    EXPECT_TRUE(rig.device->Configured());
    EXPECT_EQ(rig.device->Line(1).bitRate, 1200);
    EXPECT_EQ(rig.device->Line(1).checkCode, 1);
    EXPECT_EQ(rig.device->Line(2).bitRate, 600);
    EXPECT_EQ(rig.device->Line(2).checkCode, 2);
    EXPECT_EQ(rig.device->Line(3).bitRate, 2400);
    EXPECT_EQ(rig.device->Line(3).checkCode, 0);
    // The answer ends the program's wait and carries the configuration as taken.
    EXPECT_EQ(rig.program->emse1.AwaitState, 0u);
    const auto answers = rig.WithStatus(rx_status::kDeviceKind1);
    ASSERT_EQ(answers.size(), 1u);
    const TTelegram& sent = rig.program->emse1.TxBuffer;
    EXPECT_TRUE(std::equal(sent.Frame + 8, sent.Frame + 56, answers[0].Frame + 8));
    const auto texts = rig.Texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(),
              "configured: E1 1200 bit/s check 1, S 600 bit/s check 2, E2 2400 bit/s check 0");
}

TEST(SimMonitorDevice, RefusesALineOutOfRangeAndKeepsItsParameters) {
    MonitorRig rig(kThreeLines);
    rig.ProgramLine(1).BitRate = 300;
    rig.ProgramLine(3).BitRate = 9600;  // more than the device's lines can do
    rig.ProgramLine(3).CheckCode = 1;
    rig.Configure();
    EXPECT_EQ(rig.device->Line(1).bitRate, 300);
    EXPECT_EQ(rig.device->Line(3).bitRate, 200);
    EXPECT_EQ(rig.device->Line(3).checkCode, 0);
    // The answer still ends the wait, but reports the device's fault.
    ASSERT_EQ(rig.WithStatus(rx_status::kDeviceReported).size(), 1u);
    EXPECT_EQ(rig.program->emse1.AwaitState, 0u);
    EXPECT_NE(rig.Texts().back().find("E2 refused (9600 bit/s check 1)"), std::string::npos);
}

TEST(SimMonitorDevice, AnswersEveryFileBlockWithKind5AndKeepsTheFile) {
    testing::TempDir dir;
    std::vector<std::uint8_t> content(500);
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>(i * 7);
    const auto file = dir.Write("VUNA.EXE", content);
    sim::MonitorOptions options;
    options.fileOut = (dir / "received.bin").string();
    MonitorRig rig("", options);
    Context& ctx = *rig.program;
    TransferFile transfer;
    ASSERT_TRUE(transfer.Open(ctx, file, 0));

    std::vector<std::uint32_t> awaitAfter;
    while (transfer.IsOpen()) {
        ASSERT_TRUE(BuildFileBlock(ctx, ctx.emse1, transfer));
        rig.FromProgram(ctx.emse1.TxBuffer);
        awaitAfter.push_back(ctx.emse1.AwaitState);
    }
    // 240 + 240 + 20 bytes: the next block is asked for until the short one ends it.
    EXPECT_EQ(awaitAfter, (std::vector<std::uint32_t>{3, 3, 0}));
    const auto answers = rig.WithStatus(rx_status::kDeviceKind5);
    ASSERT_EQ(answers.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(answers[i].Frame[5], i);
        EXPECT_EQ(answers[i].Frame[7], i < 2 ? 240 : 20);
    }
    EXPECT_EQ(testing::ReadFileBytes(dir / "received.bin"), content);
    EXPECT_EQ(rig.Texts().back(), "file received: 500 bytes");
}

TEST(SimMonitorDevice, ABlockOutOfOrderIsAnsweredWithTheDeviceFault) {
    testing::TempDir dir;
    const auto file = dir.Write("VUNA.EXE", std::vector<std::uint8_t>(600, 0x55));
    MonitorRig rig("");
    Context& ctx = *rig.program;
    TransferFile transfer;
    ASSERT_TRUE(transfer.Open(ctx, file, 0));
    ASSERT_TRUE(BuildFileBlock(ctx, ctx.emse1, transfer));
    rig.FromProgram(ctx.emse1.TxBuffer);
    ASSERT_TRUE(BuildFileBlock(ctx, ctx.emse1, transfer));  // block 1 lost on the way
    ASSERT_TRUE(BuildFileBlock(ctx, ctx.emse1, transfer));
    rig.FromProgram(ctx.emse1.TxBuffer);
    const auto faults = rig.WithStatus(rx_status::kDeviceReported);
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_EQ(faults[0].Frame[5], 2);
    EXPECT_EQ(rig.WithStatus(rx_status::kDeviceKind5).size(), 1u);
    EXPECT_NE(rig.Texts().back().find("out of order, 1 expected"), std::string::npos);
}

// Each line with its own check code: the program's checks pass for every telegram of every
// line, and the decoded fields are the scenario's.
TEST(SimMonitorDevice, ReportsTheLinkOnAllThreeLinesWithTheirCheckBits) {
    MonitorRig rig(kThreeLines);
    rig.ProgramLine(1).CheckCode = 1;
    rig.ProgramLine(2).CheckCode = 2;
    rig.ProgramLine(3).CheckCode = 0;
    for (int line = 1; line <= 3; ++line) rig.ProgramLine(line).BitRate = 2400;
    rig.Run(3000);
    EXPECT_TRUE(rig.Telegrams().empty()) << "reported before it was configured";
    rig.Configure();
    rig.Run(6000);

    const LinkLayout layout = LayoutOf(*rig.program);
    std::map<int, std::set<int>> objects;  // per source
    std::set<int> sequence;
    for (const TTelegram& t : rig.Telegrams()) {
        EXPECT_EQ(t.Status, rx_status::kGood) << "source " << int(t.Source) << " " << t.TelNo;
        objects[t.Source].insert(t.TelNo);
        if (t.Source == source::kE1) {
            EXPECT_EQ(t.Station, 5);
            sequence.insert(SequenceNumber(t, layout));
        }
    }
    EXPECT_EQ(objects[source::kE1], (std::set<int>{781}));
    EXPECT_EQ(objects[source::kS1], (std::set<int>{103}));
    EXPECT_EQ(objects[source::kE2], (std::set<int>{400, 600}));
    EXPECT_GE(sequence.size(), 10u);  // the station's sequence number steps on
}

// A telegram of n bits at r bit/s takes n/r seconds: back to back on a slow line the
// reports come exactly that far apart.
TEST(SimMonitorDevice, ATelegramTakesItsBitsOverTheBitRateOnTheLine) {
    MonitorRig rig("station 5 on E1\n  indications 781 every 0.05\n");
    rig.ProgramLine(1).BitRate = 100;
    rig.Configure();
    std::vector<std::uint32_t> at;
    std::size_t seen = 0;
    for (int i = 0; i < 700; ++i) {
        rig.Run(MonitorRig::kStepMs);
        const auto telegrams = rig.Telegrams();
        if (telegrams.size() > seen) at.push_back(rig.now);
        seen = telegrams.size();
    }
    // Kind 4 with one address byte: 69 data bits and two parity bits, 710 ms at 100 bit/s.
    ASSERT_GE(at.size(), 4u);
    for (std::size_t i = 1; i < at.size(); ++i) EXPECT_EQ(at[i] - at[i - 1], 710u);
}

struct FaultCase {
    Fault fault;
    std::uint8_t status;
};

TEST(SimMonitorDevice, EachFaultKindGivesItsReceptionStatus) {
    const FaultCase cases[] = {{Fault::kBitError, rx_status::kFixedChecksum},
                               {Fault::kBitCount, rx_status::kBitCount},
                               {Fault::kDeviceStatus, rx_status::kDeviceReported},
                               {Fault::kDeviceStatusAndBitCount, rx_status::kBitCountReported}};
    for (const FaultCase& c : cases) {
        for (int checkCode = 0; checkCode <= 2; ++checkCode) {
            sim::MonitorOptions options;
            options.faultRate = 1;
            options.seed = 11;
            MonitorRig rig(kThreeLines, options);
            rig.device->ForceFault(c.fault);
            for (int line = 1; line <= 3; ++line) {
                rig.ProgramLine(line).BitRate = 2400;
                rig.ProgramLine(line).CheckCode = static_cast<std::uint32_t>(checkCode);
            }
            rig.Configure();
            rig.Run(4000);
            const auto telegrams = rig.Telegrams();
            ASSERT_GE(telegrams.size(), 10u);
            for (const TTelegram& t : telegrams)
                EXPECT_EQ(t.Status, c.status)
                    << "fault " << int(c.fault) << " check code " << checkCode << " source "
                    << int(t.Source) << " object " << t.TelNo;
        }
    }
}

// What the device says it reported, per line and damaged, is what the program stored: the
// figures a long run compares with the program's log.
TEST(SimMonitorDevice, ItsCountsAreTheTelegramsTheProgramStored) {
    sim::MonitorOptions options;
    options.faultRate = 0.3;
    options.seed = 5;
    MonitorRig rig(kThreeLines, options);
    for (int line = 1; line <= 3; ++line) rig.ProgramLine(line).BitRate = 2400;
    rig.Configure();
    rig.Run(6000);

    std::uint32_t perSource[4] = {0, 0, 0, 0};
    std::uint32_t faulty = 0;
    for (const TTelegram& t : rig.Telegrams()) {
        ASSERT_GE(t.Source, source::kE1);
        ASSERT_LE(t.Source, source::kE2);
        ++perSource[t.Source];
        faulty += t.Status != rx_status::kGood;
    }
    const sim::MonitorCounts& c = rig.device->Counts();
    EXPECT_EQ(c.reported[0], perSource[source::kE1]);
    EXPECT_EQ(c.reported[1], perSource[source::kS1]);
    EXPECT_EQ(c.reported[2], perSource[source::kE2]);
    EXPECT_GT(c.Reported(), 20u);
    EXPECT_EQ(c.damaged, faulty);
    EXPECT_GT(c.damaged, 0u);
    EXPECT_LT(c.damaged, c.Reported());
    EXPECT_EQ(c.texts, rig.Texts().size());
}

TEST(SimMonitorDevice, TheSameSeedGivesTheSameLinkAndFaults) {
    const auto run = [](std::uint32_t seed) {
        sim::MonitorOptions options;
        options.faultRate = 0.5;
        options.seed = seed;
        MonitorRig rig(kThreeLines, options);
        rig.Configure();
        rig.Run(8000);
        return rig.port.written;
    };
    const auto a = run(42);
    EXPECT_EQ(a, run(42));
    EXPECT_NE(a, run(43));
}

// The program's telegram goes out on line S after the telegrams already on it, comes back
// as a line-S telegram once its bits are sent, and the answer ends the program's wait.
TEST(SimMonitorDevice, SendsTheProgramsTelegramOnSAndReportsItBack) {
    MonitorRig rig("");
    rig.ProgramLine(2).BitRate = 300;
    rig.ProgramLine(2).CheckCode = 1;
    rig.Configure();
    Context& ctx = *rig.program;
    TSendTelegram t{};
    t.Head.Entry.TelNr = 777;
    t.Head.Entry.Da = 1;
    t.Head.Entry.Lg = 0;
    ComposeTelegram(ctx, ctx.emse1, t);
    const TTelegram sent = ctx.emse1.TxBuffer;
    ctx.emse1.AwaitState = 2;
    rig.FromProgram(sent);

    // 49 data bits and 10 check bits at 300 bit/s: 197 ms.
    rig.Run(190);
    EXPECT_TRUE(rig.Telegrams().empty());
    EXPECT_EQ(ctx.emse1.AwaitState, 2u);
    rig.Run(10);
    const auto back = rig.Telegrams();
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].Source, source::kS1);
    EXPECT_EQ(back[0].Status, rx_status::kGood);
    EXPECT_EQ(back[0].TelNo, 777);
    EXPECT_TRUE(std::equal(sent.Frame + 8, sent.Frame + sent.FrameLen - 2, back[0].Frame + 8));
    EXPECT_EQ(ctx.emse1.AwaitState, 0u);
}

TEST(SimMonitorDevice, BrokenInputIsRefusedAndTheNextFrameStillTaken) {
    MonitorRig rig(kThreeLines);
    BuildConfigTelegram(*rig.program, rig.program->emse1);
    const TTelegram& config = rig.program->emse1.TxBuffer;
    std::vector<std::uint8_t> good(config.Frame, config.Frame + config.FrameLen);
    std::vector<std::uint8_t> badSum = good;
    badSum[badSum.size() - 2] ^= 0x5A;
    const std::vector<std::uint8_t> unknownKind{0x68, 4, 4, 0x68, 9, 0, 0, 0, 9, 0x16};
    const std::vector<std::uint8_t> noise{0x00, 0x68, 0x02, 0x02, 0x68, 0xFF, 0x16, 0x68, 0x68};
    for (const auto& bytes : {noise, badSum, unknownKind}) rig.FromProgram(bytes);
    EXPECT_FALSE(rig.device->Configured());
    // A broken frame held back by the noise is given up after a pause.
    rig.Run(400);
    rig.FromProgram(good);
    EXPECT_TRUE(rig.device->Configured());
    const auto texts = rig.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "refused a frame with a wrong checksum"),
              texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "refused a frame of unknown kind 9"),
              texts.end());
    // Random bytes, fed in small blocks, never upset the device.
    std::mt19937 random(5);
    for (int i = 0; i < 2000; ++i) {
        std::vector<std::uint8_t> block(random() % 40);
        for (auto& b : block) b = random() % 3 == 0 ? 0x68 : static_cast<std::uint8_t>(random());
        rig.device->Receive(block);
        if (i % 50 == 0) rig.Run(MonitorRig::kStepMs);
    }
    EXPECT_FALSE(Frames(rig.port.written).empty());
}

}  // namespace
}  // namespace vadrix
