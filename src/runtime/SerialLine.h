#pragma once
// Line-level operations on an open serial device (Linux termios2 ioctls). Every function
// returns 0 or the errno of the failing call; none of them touches Qt.

#include <cstddef>
#include <cstdint>

#include "channel/SerialPort.h"

namespace vadrix::serial_line {

// Raw mode with input marking of parity, framing errors and breaks, any baud rate.
int Configure(int fd, const SerialSettings& s);
// The settings the driver holds now.
int ReadSettings(int fd, SerialSettings& s);
// Levels of CTS, DSR, ring and DCD as the high nibble of the modem status byte.
int ReadModemLevels(int fd, std::uint8_t& levels);
int SetRts(int fd, bool on);
int SetDtr(int fd, bool on);
int OutputQueued(int fd, std::size_t& bytes);
int DiscardInput(int fd);
int TakeExclusive(int fd);

// The driver's error counters; pseudo-terminals have none.
struct ErrorCounters {
    std::uint32_t frame = 0, parity = 0, overrun = 0, bufferOverrun = 0, brk = 0;
};
int ReadErrorCounters(int fd, ErrorCounters& counters);

// Decodes marked input: 0xFF 0xFF is a data byte 0xFF, 0xFF 0x00 x an error on byte x,
// 0xFF 0x00 0x00 a break. An escape may be split across reads.
class MarkDecoder {
  public:
    enum class Item : std::uint8_t { kData, kError, kBreak };

    // Calls out(item, byte) for each decoded item in order.
    template <typename Out>
    void Feed(const std::uint8_t* p, std::size_t n, Out&& out) {
        for (std::size_t i = 0; i < n; ++i) Step(p[i], out);
    }
    void Reset() { state_ = State::kNone; }

  private:
    enum class State : std::uint8_t { kNone, kEscape, kMarked };

    template <typename Out>
    void Step(std::uint8_t b, Out& out) {
        switch (state_) {
            case State::kNone:
                if (b == 0xFF)
                    state_ = State::kEscape;
                else
                    out(Item::kData, b);
                return;
            case State::kEscape:
                if (b == 0x00) {
                    state_ = State::kMarked;
                    return;
                }
                // Anything but 0x00 after 0xFF was no escape: both are data, once each.
                out(Item::kData, std::uint8_t{0xFF});
                if (b != 0xFF) out(Item::kData, b);
                state_ = State::kNone;
                return;
            case State::kMarked:
                out(b == 0x00 ? Item::kBreak : Item::kError, b);
                state_ = State::kNone;
                return;
        }
    }

    State state_ = State::kNone;
};

}  // namespace vadrix::serial_line
