#pragma once
// A polling master for the program's answering side (its channel in function 4). Every
// cycle it sends the general poll, then polls each of its stations by address, those that
// announced data first. It checks the numbers of the telegrams it receives: it restarts a
// station's numbering, acknowledges every tenth number and every telegram that asks for it,
// and asks for a repetition of a number that is missing or of an answer that came faulty; a
// station that stays silent is polled once more. It logs what it received.

#include <cstdint>
#include <vector>

#include "SimDevice.h"
#include "StationDevice.h"
#include "StationLink.h"

namespace vadrix::sim {

// How long the master waits: for announcements after the general poll, for the answer to a
// poll, and after a telegram for a further one of the same station.
inline constexpr std::uint32_t kAnnounceWaitMs = 200;
inline constexpr std::uint32_t kAnswerWaitMs = 400;
inline constexpr std::uint32_t kSettleMs = 150;
inline constexpr int kPollRetries = 1;
inline constexpr std::uint32_t kRestartGapMs = 1000;  // at most one restart a second

struct PolledCounts {
    std::uint32_t telegrams = 0;  // data telegrams received
    std::uint32_t nothing = 0;    // answers "nothing to send"
    std::uint32_t missing = 0;    // polls that stayed unanswered
    std::uint32_t faulty = 0;     // faulty answers
    std::uint32_t repeats = 0;    // repetitions asked for
};

class StationPoller : public SimDevice {
  public:
    StationPoller(SerialPort& port, const StationOptions& options);

    void Receive(std::span<const std::uint8_t> bytes) override;
    void Tick(std::uint32_t nowMs) override;
    void Stop() override;

    // For tests.
    PolledCounts Counts(int address) const;
    const LinkCounts& LinkTotals() const { return link_.Counts(); }

  private:
    enum class State { kIdle, kAnnouncements, kPolling };
    struct Polled {
        explicit Polled(int a) : address(a) {}
        int address;
        int last = 31;              // last number received; 31 unknown or reset
        std::uint32_t awaited = 0;  // bit n: a repetition of number n was asked for
        bool announced = false;
        bool restarted = false;
        std::uint32_t restartMs = 0;
        PolledCounts counts;
    };

    void OnTelegram(const Heard& h);
    void OnData(Polled& p, const Heard& h);
    void OnFaulty(const Heard& h);
    void StartPolling();
    void PollCurrent();
    void NextStation();
    void SendControl(Polled& p, int object, std::uint8_t value);
    Polled* Find(int address);
    Polled* Current();

    StationLink link_;
    StationOptions options_;
    std::vector<Polled> polled_;
    State state_ = State::kIdle;
    std::vector<std::size_t> order_;  // this cycle's stations, by index
    std::size_t orderPos_ = 0;
    int retries_ = 0;
    bool answered_ = false;
    std::uint32_t nowMs_ = 0;
    std::uint32_t deadline_ = 0;
    std::uint32_t nextCycle_ = 0;
    bool started_ = false;
};

}  // namespace vadrix::sim
