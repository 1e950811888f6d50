#pragma once
// Stations answering a polling master (the program's channel in function 3). A general poll
// is answered by one station that has data, with its address; a station polled by its
// address sends its next queued telegram, numbered in sequence and kept for a repetition,
// or says with the short answer that it has nothing. Telegrams from the master restart a
// station's numbering, acknowledge numbers and ask for repetitions. Frames for other
// addresses are ignored.

#include <array>
#include <cstdint>
#include <deque>
#include <random>
#include <vector>

#include "SimDevice.h"
#include "StationLink.h"
#include "StationValues.h"

namespace vadrix::sim {

struct StationOptions {
    std::vector<int> addresses;
    std::uint32_t baud = 9600;
    std::uint32_t intervalMs = 1000;  // mean time between two changes of a station's values
    std::uint32_t seed = 1;
    double faults = 0;             // share of the frames sent that is damaged
    std::uint32_t cycleMs = 1000;  // polling: the general poll cycle
};

// The master's telegrams to a station.
inline constexpr int kSeqControlObject = 0x201;  // acknowledge or repeat a number
inline constexpr int kRestartObject = 0x202;     // start numbering again
// Bits of the data byte of telegram 0x201 beside the number in bits 0..4.
inline constexpr std::uint8_t kClearToggle = 0x20;
inline constexpr std::uint8_t kAckNumber = 0x40;
inline constexpr std::uint8_t kRepeatNumber = 0x80;
inline constexpr std::size_t kQueueLimit = 30;  // telegrams a station holds back at most
inline constexpr std::size_t kBurst = 3;        // telegrams a station sends on one poll at most

// Short functions: 0 the general poll (to no station) and the announcement of a station with
// data; 1 the poll of a station and its answer "nothing to send"; 2 and up the class polls.
inline constexpr int kShortAnnounce = 0;
inline constexpr int kShortPoll = 1;

// The sequence number after seq: 1 follows 30, and the reset number 31 or none.
int NextSeq(int seq);
// The faults draw from a generator of their own, so that a seed gives the same values with
// and without them.
inline std::uint32_t FaultSeed(std::uint32_t seed) {
    return seed ^ 0x5EEDu;
}

class StationDevice : public SimDevice {
  public:
    StationDevice(SerialPort& port, const StationOptions& options);

    void Receive(std::span<const std::uint8_t> bytes) override;
    void Tick(std::uint32_t nowMs) override;
    void Stop() override;

    // For tests: telegrams a station still holds back, and the link's counters.
    std::size_t Queued(int address) const;
    const LinkCounts& Counts() const { return link_.Counts(); }

  private:
    struct Station {
        explicit Station(int a) : address(a), values(a) {}
        int address;
        StationValues values;
        std::deque<Report> queue;
        int last = 31;  // last number sent; 31 until the master restarts the numbering
        int stop = 30;  // the number up to which the master acknowledged
        bool toggle = false;
        std::array<std::vector<std::uint8_t>, 30> kept;  // by number 1..30
        std::uint32_t nextChange = 0;
    };

    void OnTelegram(const Heard& h);
    void OnGeneralPoll();
    void OnPoll(Station& s, int function);
    void SendNext(Station& s, int function);
    void OnMasterTelegram(Station& s, const Heard& h);
    void Queue(Station& s, Report r);
    Station* Find(int address);

    StationLink link_;
    StationOptions options_;
    std::vector<Station> stations_;
    std::mt19937 rng_;
    std::size_t announceNext_ = 0;  // round robin of the stations answering a general poll
    std::uint32_t nowMs_ = 0;
    bool started_ = false;
};

}  // namespace vadrix::sim
