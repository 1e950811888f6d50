#pragma once
// The stations' own end of a line in the direct variant. What arrives is cut into telegrams
// and checked by the program's own framer, what goes out is built by the program's own
// composer, so the bytes are right by construction. On request a share of the frames sent is
// damaged on purpose, for soaking the program's reception.

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <span>
#include <vector>

#include "channel/SerialPort.h"
#include "common/SendItems.h"
#include "log/Telegram.h"

namespace vadrix {
struct Context;
}

namespace vadrix::sim {

class StationClock;

inline constexpr std::uint8_t kGoodFrame = 40;  // the framer's status of a sound frame

// What a received telegram says, read from the record the framer completed.
struct Heard {
    std::uint8_t status = 0;  // 40 good; below 40 the framer's fault code
    bool isShort = false;
    bool isVariable = false;  // began with the start byte of a variable frame
    int station = 0;
    int function = 0;  // short telegrams: the 4-bit short function
    int seq = 0;       // long telegrams: 1..30, 31 reset, 0 none
    bool seqFlag = false;
    int dataKind = 0;
    int telNo = 0;
    int lenCode = 0;
    std::vector<std::uint8_t> data;  // long telegrams: the data bytes of the kind
};

// The ways a frame can be damaged.
enum class Damage { kNone, kChecksum, kLength, kStopByte };
const char* DamageName(Damage d);

struct LinkCounts {
    std::uint32_t sent = 0;     // frames written
    std::uint32_t damaged = 0;  // of them damaged on purpose
    std::uint32_t heard = 0;    // telegrams completed by the framer
    std::uint32_t faulty = 0;   // of them with a fault status
};

class StationLink {
  public:
    using Handler = std::function<void(const Heard&)>;

    StationLink(SerialPort& port, std::uint32_t baud);
    ~StationLink();
    StationLink(const StationLink&) = delete;
    StationLink& operator=(const StationLink&) = delete;

    void SetHandler(Handler handler) { handler_ = std::move(handler); }
    // A share (0..1) of the frames sent is damaged, chosen by a generator of this seed.
    void SetFaults(double rate, std::uint32_t seed);

    // Bytes from the line; every telegram they complete goes to the handler.
    void Receive(std::span<const std::uint8_t> bytes);
    // The clock moves on: a frame cut short is completed once its deadline has passed.
    void Tick(std::uint32_t nowMs);

    // The short request or answer: station byte with bit 7 from code bit 0, control byte
    // (code >> 1) & 7, in the fixed frame.
    void SendShort(int station, int code);
    // A data telegram of the definition to the station, with this control byte function code
    // and toggle bit; returns the frame as composed (before any damage), for a repetition.
    std::vector<std::uint8_t> SendData(int station, const TSendEntry& def, int seq, bool toggle);
    // A frame sent before, sent again.
    void SendFrame(std::vector<std::uint8_t> frame);

    const LinkCounts& Counts() const { return counts_; }
    // The damage the last frame sent got.
    Damage LastDamage() const { return lastDamage_; }

  private:
    void Write(std::vector<std::uint8_t> frame);
    void OnStored(const TTelegram& rec);

    SerialPort& port_;
    std::unique_ptr<StationClock> clock_;
    struct Seams;
    std::unique_ptr<Seams> seams_;
    std::unique_ptr<Context> ctx_;
    Handler handler_;
    double faultRate_ = 0;
    std::mt19937 faultRng_;
    Damage lastDamage_ = Damage::kNone;
    LinkCounts counts_;
};

}  // namespace vadrix::sim
