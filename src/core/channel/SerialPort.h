#pragma once
// The serial port seam: the operations the channels, the transmit side, the programming
// window and the terminal need of a port.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace vadrix {

enum class Parity : std::uint8_t { kNone = 0, kOdd = 1, kEven = 2, kMark = 3, kSpace = 4 };

struct SerialSettings {
    std::uint32_t baud = 9600;
    std::uint8_t dataBits = 8;  // 5..8
    Parity parity = Parity::kEven;
    std::uint8_t stopBits = 1;  // 1 or 2
    bool operator==(const SerialSettings&) const = default;
};

// Line error codes as reception stores them.
namespace line_error {
inline constexpr std::uint8_t kNone = 0;
inline constexpr std::uint8_t kBufferOverflow = 1;
inline constexpr std::uint8_t kOverrun = 2;
inline constexpr std::uint8_t kParity = 3;
inline constexpr std::uint8_t kFraming = 4;
inline constexpr std::uint8_t kBreak = 9;
}  // namespace line_error

// Modem status byte: changed flags in the low nibble, levels in the high nibble.
namespace modem {
inline constexpr std::uint8_t kCtsChanged = 0x01;
inline constexpr std::uint8_t kDsrChanged = 0x02;
inline constexpr std::uint8_t kRingChanged = 0x04;
inline constexpr std::uint8_t kDcdChanged = 0x08;
inline constexpr std::uint8_t kCts = 0x10;
inline constexpr std::uint8_t kDsr = 0x20;
inline constexpr std::uint8_t kRing = 0x40;
inline constexpr std::uint8_t kDcd = 0x80;
}  // namespace modem

class SerialPort {
  public:
    using DataHandler = std::function<void(std::size_t count)>;
    using StatusHandler = std::function<void(std::uint16_t trigger)>;
    using LostHandler = std::function<void(const std::string& why)>;

    virtual ~SerialPort() = default;

    // Port numbers 1..64; a failed open leaves the port closed and says why.
    virtual bool Open(int portNumber, const SerialSettings& settings, std::string& error) = 0;
    // Closing also drops the modem trigger.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Takes effect at once while open, else at the next open.
    virtual void Apply(const SerialSettings& settings) = 0;

    // Data events arrive on the main thread with the number of bytes waiting.
    virtual void SetDataHandler(DataHandler handler) = 0;
    virtual std::size_t Available() const = 0;
    // Reads up to buf.size() bytes; returns exactly the bytes announced when asked for them.
    virtual std::size_t Read(std::span<std::uint8_t> buf) = 0;
    // 0 none, 1 buffer overflow, 2 overrun, 3 parity, 4 framing, 9 break; reading clears it.
    virtual std::uint8_t TakeLineError() = 0;
    // True once after a break; reading clears it.
    virtual bool TakeBreak() = 0;

    // Low nibble: changed flags (CTS, DSR, ring, DCD); high nibble: levels. Reading clears
    // the changed flags.
    virtual std::uint8_t ModemStatus() = 0;
    // A modem trigger fires one status event with its handle (never 0) when a line of its
    // mask (level bits 0x10..0x80) changes; it must be armed again after each event.
    virtual std::uint16_t AddModemTrigger() = 0;
    virtual void ArmModemTrigger(std::uint16_t trigger, std::uint8_t mask) = 0;
    virtual void SetStatusHandler(StatusHandler handler) = 0;
    // The device went away while open (unplugged, or the far end of a pseudo-terminal
    // closed): the port tells once, on the main thread, after the bytes that came before,
    // and stays silent until it is closed. Ports that cannot lose their device never tell.
    virtual void SetLostHandler(LostHandler handler) { (void)handler; }

    // Queued for output.
    virtual void Write(std::span<const std::uint8_t> bytes) = 0;
    void WriteByte(std::uint8_t b) { Write(std::span<const std::uint8_t>(&b, 1)); }
    virtual std::size_t OutputPending() const = 0;
    virtual void SetRts(bool on) = 0;
    virtual void SetDtr(bool on) = 0;
};

}  // namespace vadrix
