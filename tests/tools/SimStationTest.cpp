// The station simulator's rules on a fake line: the answering stations against polls,
// restarts, acknowledgements and repeat requests of a master, and the polling master
// against answers that come, come late, come faulty or leave numbers out.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "SimLog.h"
#include "StationDevice.h"
#include "StationPoller.h"
#include "support/FakeSerialPort.h"
#include "support/Frames.h"

namespace vadrix {
namespace {

using testing::Bytes;
using testing::Fixed;
using testing::Long;

// One frame the simulator wrote, read back by hand.
struct Out {
    bool sound = false;  // start, length, checksum and stop byte as they should be
    bool isShort = false;
    int station = 0;
    int function = 0;
    int seq = 0;
    bool toggle = false;
    int dataKind = 0;
    int telNo = 0;
    std::uint8_t data0 = 0;
};

Out Decode(const Bytes& f) {
    Out o;
    if (f.size() == 5 && f[0] == 0x10) {
        o.sound = f[3] == static_cast<std::uint8_t>(f[1] + f[2]) && f[4] == 0x16;
        o.isShort = true;
        o.station = f[1] & 0x7F;
        o.function = (f[1] >> 7) | ((f[2] & 7) << 1);
        return o;
    }
    if (f.size() < 10 || f[0] != 0x68) return o;
    std::uint8_t sum = 0;
    for (std::size_t i = 4; i + 2 < f.size(); ++i) sum = static_cast<std::uint8_t>(sum + f[i]);
    o.sound = f[1] == f[2] && f[3] == 0x68 && f.size() == f[1] + 6u && f[f.size() - 2] == sum &&
              f.back() == 0x16;
    o.station = f[4] & 0x7F;
    o.seq = f[5] & 31;
    o.toggle = (f[5] & 0x20) != 0;
    o.dataKind = f[5] >> 6;
    o.telNo = f[6] | ((f[7] & 3) << 8);
    o.data0 = f[8];
    return o;
}

// The master's telegrams to a station: restart, and acknowledge or repeat a number.
// A fake line, open, with the simulator's log quiet.
void OpenQuietly(testing::FakeSerialPort& port) {
    sim::SetQuiet(true);
    std::string error;
    port.Open(1, SerialSettings{}, error);
}

Bytes Restart(std::uint8_t station) {
    return testing::Variable({station, 0, 0x02, 0x02 | (2 << 2), 0, 0});
}
Bytes SeqControl(std::uint8_t station, std::uint8_t value) {
    return testing::Variable({station, 0, 0x01, 0x02 | (2 << 2), value, 0});
}

class SimStationAnswers : public ::testing::Test {
  protected:
    // Stations 5 and 7; their values change only once a minute, so that the queues hold
    // just the three telegrams of the start.
    void SetUp() override { OpenQuietly(port); }
    void Start(std::vector<int> addresses = {5, 7}) {
        options.addresses = std::move(addresses);
        options.intervalMs = 60000;
        options.seed = 11;
        device = std::make_unique<sim::StationDevice>(port, options);
        device->Tick(0);
    }
    // What the stations answer to these bytes.
    std::vector<Out> Answer(const Bytes& bytes) {
        port.writes.clear();
        device->Receive(bytes);
        std::vector<Out> out;
        for (const auto& w : port.writes) out.push_back(Decode(w));
        return out;
    }
    testing::FakeSerialPort port;
    sim::StationOptions options;
    std::unique_ptr<sim::StationDevice> device;
};

TEST_F(SimStationAnswers, AnswersPollsOfItsOwnStationsAndIgnoresOthers) {
    Start();
    // A general poll: one station with data announces itself with its address.
    std::vector<Out> got = Answer(Fixed(0x00, 0x00));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_TRUE(got[0].sound && got[0].isShort);
    EXPECT_EQ(got[0].station, 5);
    EXPECT_EQ(got[0].function, 0);

    // Polls, data and restarts for another station get no answer and change nothing.
    EXPECT_TRUE(Answer(Fixed(0x80 | 9, 0x00)).empty());
    EXPECT_TRUE(Answer(Restart(9)).empty());
    EXPECT_TRUE(Answer(Long(9, 0, 1, 300)).empty());
    EXPECT_EQ(device->Queued(5), 3u);

    // Polled, station 5 sends what it holds, with the reset number until the master restarts
    // its numbering.
    got = Answer(Fixed(0x80 | 5, 0x00));
    ASSERT_EQ(got.size(), 3u);
    for (const Out& o : got) {
        EXPECT_TRUE(o.sound);
        EXPECT_FALSE(o.isShort);
        EXPECT_EQ(o.station, 5);
        EXPECT_EQ(o.seq, 31);
        EXPECT_EQ(o.dataKind, 1);
    }
    EXPECT_EQ(got[0].telNo, sim::kIndicationObject);
    EXPECT_EQ(got[1].telNo, sim::kMeasuredObject);
    EXPECT_EQ(got[2].telNo, sim::kCounterObject);

    // With nothing left it says so in the short answer; so does a class poll (function 2).
    got = Answer(Fixed(0x80 | 5, 0x00));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_TRUE(got[0].isShort && got[0].sound);
    EXPECT_EQ(got[0].station, 5);
    EXPECT_EQ(got[0].function, 1);
    got = Answer(Fixed(0x05, 0x01));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].function, 1);

    // Station 7 still has its data; the next general poll is answered by it.
    got = Answer(Fixed(0x00, 0x00));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].station, 7);
}

TEST_F(SimStationAnswers, NumbersAfterARestartAndRepeatsWhatTheMasterAsksFor) {
    Start({5});
    EXPECT_TRUE(Answer(Restart(5)).empty());
    port.writes.clear();
    device->Receive(Fixed(0x80 | 5, 0x00));
    const std::vector<Bytes> sent = port.writes;
    ASSERT_EQ(sent.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Decode(sent[i]).seq, i + 1);

    // A repeat request sends the very bytes of that number again.
    port.writes.clear();
    device->Receive(SeqControl(5, sim::kRepeatNumber | 2));
    ASSERT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(port.writes[0], sent[1]);
    // A number never sent cannot be repeated; nothing goes out.
    EXPECT_TRUE(Answer(SeqControl(5, sim::kRepeatNumber | 9)).empty());
    // A repeat request of another station is not ours.
    EXPECT_TRUE(Answer(SeqControl(7, sim::kRepeatNumber | 2)).empty());
}

TEST_F(SimStationAnswers, AsksForAnAcknowledgementAtTheAcknowledgedNumber) {
    options.intervalMs = 10;  // plenty of data
    options.addresses = {5};
    options.seed = 3;
    device = std::make_unique<sim::StationDevice>(port, options);
    device->Tick(0);
    for (std::uint32_t t = 5; t < 2000; t += 5) device->Tick(t);
    Answer(Restart(5));
    // The master acknowledged up to 4: reaching 4 sets the toggle bit, which stays until the
    // master clears it.
    Answer(SeqControl(5, sim::kAckNumber | 4));
    std::vector<Out> got = Answer(Fixed(0x80 | 5, 0x00));
    std::vector<Out> more = Answer(Fixed(0x80 | 5, 0x00));
    got.insert(got.end(), more.begin(), more.end());
    ASSERT_EQ(got.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(got[i].seq, i + 1);
        EXPECT_EQ(got[i].toggle, i + 1 >= 4) << "number " << i + 1;
    }
    Answer(SeqControl(5, sim::kClearToggle | sim::kAckNumber | 6));
    got = Answer(Fixed(0x80 | 5, 0x00));
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0].seq, 7);
    EXPECT_FALSE(got[0].toggle);
}

TEST_F(SimStationAnswers, FaultsDamageEveryFrameInAllThreeWaysAndTheSeedRepeatsARun) {
    const auto run = [](std::uint32_t seed, double faults) {
        testing::FakeSerialPort line;
        OpenQuietly(line);
        sim::StationOptions o;
        o.addresses = {5};
        o.intervalMs = 20;
        o.seed = seed;
        o.faults = faults;
        sim::StationDevice d(line, o);
        for (std::uint32_t t = 0; t < 3000; t += 5) {
            d.Tick(t);
            if (t % 100 == 0) d.Receive(Fixed(0x80 | 5, 0x00));
        }
        return line.writes;
    };
    const std::vector<Bytes> damaged = run(7, 1.0);
    ASSERT_GE(damaged.size(), 30u);
    int shorter = 0, badSum = 0, noStop = 0;
    for (const Bytes& f : damaged) {
        EXPECT_FALSE(Decode(f).sound);
        if (f[0] != 0x68) continue;  // the short answers, damaged as well
        if (f.size() != f[1] + 6u)
            ++shorter;
        else if (f.back() != 0x16)
            ++noStop;
        else
            ++badSum;
    }
    EXPECT_GT(shorter, 0);
    EXPECT_GT(badSum, 0);
    EXPECT_GT(noStop, 0);

    EXPECT_EQ(run(7, 0.3), run(7, 0.3));
    EXPECT_NE(run(7, 0.0), run(8, 0.0));  // other values
    for (const Bytes& f : run(7, 0.0)) EXPECT_TRUE(Decode(f).sound);
}

// The polling master.
class SimStationPolls : public ::testing::Test {
  protected:
    void SetUp() override {
        OpenQuietly(port);
        options.addresses = {5, 7};
        options.cycleMs = 5000;
        poller = std::make_unique<sim::StationPoller>(port, options);
    }
    // Ticks up to the time; the frames written meanwhile.
    std::vector<Out> Until(std::uint32_t ms) {
        port.writes.clear();
        for (; now <= ms; now += 5) poller->Tick(now);
        std::vector<Out> out;
        for (const auto& w : port.writes) out.push_back(Decode(w));
        return out;
    }
    std::vector<Out> Hear(const Bytes& bytes) {
        port.writes.clear();
        poller->Receive(bytes);
        std::vector<Out> out;
        for (const auto& w : port.writes) out.push_back(Decode(w));
        return out;
    }
    testing::FakeSerialPort port;
    sim::StationOptions options;
    std::unique_ptr<sim::StationPoller> poller;
    std::uint32_t now = 0;
};

TEST_F(SimStationPolls, PollsEachStationAndPollsASilentOneOnceMore) {
    // The general poll, then after the announcement wait the first station.
    std::vector<Out> got = Until(0);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_TRUE(got[0].isShort && got[0].sound);
    EXPECT_EQ(got[0].station, 0);
    EXPECT_EQ(got[0].function, 0);
    got = Until(sim::kAnnounceWaitMs);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].station, 5);
    EXPECT_EQ(got[0].function, 1);
    // Station 5 stays silent: polled once more, then the master goes on to station 7.
    got = Until(sim::kAnnounceWaitMs + sim::kAnswerWaitMs);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].station, 5);
    got = Until(sim::kAnnounceWaitMs + 2 * sim::kAnswerWaitMs);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].station, 7);
    EXPECT_EQ(poller->Counts(5).missing, 1u);
    // Station 7 has nothing: the cycle ends, nothing more until the next one.
    EXPECT_TRUE(Hear(Fixed(0x80 | 7, 0x00)).empty());
    EXPECT_TRUE(Until(4990).empty());
    EXPECT_EQ(poller->Counts(7).nothing, 1u);
    // A station that announces itself is polled first in the next cycle.
    got = Until(5000);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_TRUE(Hear(Fixed(0x07, 0x00)).empty());
    got = Until(5000 + sim::kAnnounceWaitMs);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].station, 7);
}

TEST_F(SimStationPolls, RestartsAcknowledgesAndAsksForMissingAndFaultyTelegrams) {
    Until(sim::kAnnounceWaitMs);  // station 5 is being polled
    // The reset number: the master restarts the station's numbering.
    std::vector<Out> got = Hear(Long(5, 31, 1, 300));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].station, 5);
    EXPECT_EQ(got[0].telNo, sim::kRestartObject);
    EXPECT_EQ(got[0].seq, 0);
    EXPECT_TRUE(got[0].sound);
    EXPECT_TRUE(Hear(Long(5, 1, 1, 300)).empty());
    // 3 after 1: number 2 is asked for again; when it comes, it is the repetition.
    got = Hear(Long(5, 3, 1, 300));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].telNo, sim::kSeqControlObject);
    EXPECT_EQ(got[0].data0, sim::kRepeatNumber | 2);
    EXPECT_TRUE(Hear(Long(5, 2, 1, 300)).empty());
    EXPECT_EQ(poller->Counts(5).repeats, 1u);
    // A telegram that asks for an acknowledgement gets one.
    got = Hear(Long(5, 4, 1, 300, 0, true));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].data0, sim::kClearToggle | sim::kAckNumber | 4);
    // A faulty data telegram: its number, the one after the last, is asked for again.
    Bytes bad = Long(5, 5, 1, 300);
    bad[bad.size() - 2] ^= 0x01;
    got = Hear(bad);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].data0, sim::kRepeatNumber | 5);
    EXPECT_EQ(poller->Counts(5).faulty, 1u);
    EXPECT_TRUE(Hear(Long(5, 5, 1, 300)).empty());
    // Numbers 6 to 9 in order; 10 is acknowledged.
    for (int n = 6; n <= 9; ++n) EXPECT_TRUE(Hear(Long(5, n, 1, 300)).empty());
    got = Hear(Long(5, 10, 1, 300));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].data0, sim::kAckNumber | 10);
    EXPECT_EQ(poller->Counts(5).telegrams, 11u);
}

// Noise on the line, in blocks of every size, neither crashes the stations nor the master
// nor makes them answer anything but sound frames.
TEST(SimStationNoise, RandomBytesAreTakenApartWithoutHarm) {
    std::mt19937 rng(42);
    testing::FakeSerialPort a, b;
    OpenQuietly(a);
    OpenQuietly(b);
    sim::StationOptions o;
    o.addresses = {1, 2, 3};
    sim::StationDevice stations(a, o);
    sim::StationPoller master(b, o);
    for (std::uint32_t t = 0; t < 20000; t += 5) {
        stations.Tick(t);
        master.Tick(t);
        Bytes noise(std::uniform_int_distribution<int>(0, 40)(rng));
        for (auto& v : noise) {
            // Start bytes and small station numbers often, so that frames begin and match.
            const int pick = std::uniform_int_distribution<int>(0, 9)(rng);
            v = pick == 0   ? 0x68
                : pick == 1 ? 0x10
                : pick == 2 ? 0x16
                : pick < 5  ? pick - 2
                            : rng() & 0xFF;
        }
        stations.Receive(noise);
        master.Receive(noise);
    }
    for (const auto& w : a.writes) EXPECT_TRUE(Decode(w).sound);
    for (const auto& w : b.writes) EXPECT_TRUE(Decode(w).sound);
    EXPECT_GT(stations.Counts().faulty, 0u);
}

}  // namespace
}  // namespace vadrix
