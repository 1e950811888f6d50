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

}  // namespace vadrix::serial_line
