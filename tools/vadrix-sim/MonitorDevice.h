#pragma once
// The monitor device of protocol variants 0 and 1: it watches the lines E1, S and E2 of a
// telecontrol link and reports every telegram bit by bit in envelope frames; it takes its
// configuration and transfer files from the program and sends the program's telegrams on
// its send line S. The link it watches is a scenario of stations and changing values.

#include <cstdint>
#include <deque>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "MonitorScenario.h"
#include "SimDevice.h"
#include "channel/SerialPort.h"
#include "common/Clock.h"
#include "common/SendItems.h"

namespace vadrix::sim {

struct Composer;

// The device's serial line: 38400 baud, 8 data bits, even parity, 1 stop bit.
inline constexpr SerialSettings kMonitorLineSettings{38400, 8, Parity::kEven, 1};

// Envelope kinds of the frames the device exchanges with the program.
namespace envelope {
inline constexpr std::uint8_t kText = 0;
inline constexpr std::uint8_t kAnswer = 1;     // to the configuration and to sent telegrams
inline constexpr std::uint8_t kTelegram = 2;   // a telegram seen on a line; from the program:
                                               // a telegram to send
inline constexpr std::uint8_t kValueList = 3;  // words seen on a line
inline constexpr std::uint8_t kBlockAnswer = 5;
inline constexpr std::uint8_t kFileBlock = 7;  // from the program
}  // namespace envelope

// The status the device reports in a frame when it saw a line fault.
inline constexpr std::uint8_t kDeviceFault = 12;

struct MonitorOptions {
    double faultRate = 0;    // share of reported telegrams damaged, 0..1
    std::uint32_t seed = 1;  // the same seed gives the same values and faults
    std::string fileOut;     // where a received transfer file goes; empty: kept nowhere
};

// What the device reported to the program since it started: the telegrams and value lists
// of each line (E1, S, E2), the damaged ones among them, and its texts.
struct MonitorCounts {
    std::uint32_t reported[3] = {0, 0, 0};
    std::uint32_t damaged = 0;
    std::uint32_t texts = 0;
    std::uint32_t Reported() const { return reported[0] + reported[1] + reported[2]; }
};

// How a damaged telegram was damaged.
enum class Fault { kNone, kBitError, kBitCount, kDeviceStatus, kDeviceStatusAndBitCount };

class MonitorDevice : public SimDevice {
  public:
    // The clock gives the time of day of time telegrams; Tick gives the millisecond clock.
    MonitorDevice(SerialPort& port, Clock& clock, const MonitorScenario& scenario,
                  const MonitorOptions& options);
    ~MonitorDevice() override;
    MonitorDevice(const MonitorDevice&) = delete;
    MonitorDevice& operator=(const MonitorDevice&) = delete;

    void Receive(std::span<const std::uint8_t> bytes) override;
    void Tick(std::uint32_t nowMs) override;
    void Stop() override;

    // The line parameters the device works with now.
    const LineSetting& Line(int line) const { return lines_[line - 1].set; }
    // The device reports the link once the program has configured it.
    bool Configured() const { return configured_; }
    // The fault every damaged telegram gets instead of a random one (tests).
    void ForceFault(Fault f) { forced_ = f; }
    const MonitorCounts& Counts() const { return counts_; }

  private:
    // A telegram on its way over a line: its bits as the device will report them.
    struct OnLine {
        std::uint8_t kind = envelope::kTelegram;
        std::uint8_t status = 0;
        int count = 0;  // bits, or words for a value list
        std::vector<std::uint8_t> payload;
        std::uint32_t endMs = 0;
        bool fromProgram = false;
        bool damaged = false;
        std::string what;  // for the log
    };
    struct ItemState {
        ScenarioItem item;
        int station = 0;
        int line = kLineE1;
        std::uint32_t dueMs = 0;
        TSendHeader def{};  // the composer's definition; counters step on in it
    };
    struct LineState {
        LineSetting set;
        bool busy = false;
        OnLine current;
        std::uint32_t freeAtMs = 0;
        std::deque<OnLine> fromProgram;  // telegrams the program gave for line S
    };

    void Start(std::uint32_t nowMs);
    void TakeFrames();
    void HandleFrame(std::span<const std::uint8_t> frame);
    void TakeConfiguration(std::span<const std::uint8_t> frame);
    void TakeFileBlock(std::span<const std::uint8_t> frame);
    void TakeTelegramToSend(std::span<const std::uint8_t> frame);
    void Refuse(const std::string& why);

    void RunLine(int line, std::uint32_t nowMs);
    bool StartNext(int line, std::uint32_t nowMs);
    ItemState* NextDueItem(int line, std::uint32_t nowMs);
    OnLine ComposeItem(ItemState& s, std::uint32_t nowMs);
    void ChangeValues(ItemState& s, std::uint32_t nowMs);
    void Damage(OnLine& t, int line);
    void Report(int line, const OnLine& t);

    void SendFrame(std::uint8_t kind, std::uint8_t lineOrBlock, std::uint8_t status,
                   std::uint8_t count, std::span<const std::uint8_t> payload);
    void SendText(const std::string& text);
    int NextSequence(int station);

    SerialPort& port_;
    MonitorOptions options_;
    std::unique_ptr<Composer> composer_;  // the program's own composer builds the telegrams
    LineState lines_[kLineCount];
    std::vector<ItemState> items_;
    int sequence_[128]{};
    std::mt19937 values_;
    std::mt19937 faults_;
    Fault forced_ = Fault::kNone;
    MonitorCounts counts_;

    bool started_ = false;
    bool configured_ = false;
    std::uint32_t nowMs_ = 0;
    std::uint32_t startMs_ = 0;

    std::vector<std::uint8_t> input_;
    std::uint32_t lastInputMs_ = 0;
    std::size_t skipped_ = 0;  // bytes outside frames since the last report of them

    bool receiving_ = false;
    int nextBlock_ = 0;
    std::vector<std::uint8_t> file_;
};

}  // namespace vadrix::sim
