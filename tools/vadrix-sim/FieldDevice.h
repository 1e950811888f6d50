#pragma once
// A field device on its programming and terminal line. In text mode (300 bit/s, 7E2) it
// echoes every character; "X" wakes it (echo, then one more byte); "flSSSS~LLLL" CR reads
// its parameter memory: after the echo it switches to binary mode (9600 bit/s, 8E2), waits
// for 0x06 and sends the bytes, then in text mode an answer line. "fpSSSS~LLLL" CR writes:
// in binary mode every byte is echoed, 0x06 from the program is answered with 0x06, the
// bytes are stored, then the answer line. "IB" and "IA" open and close writing. Typed
// terminal commands: "V" the version, "S" the station parameters. Its output leaves at the
// pace of the line's character format, as a real line would carry it.

#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "SimDevice.h"
#include "channel/SerialPort.h"

namespace vadrix::sim {

inline constexpr SerialSettings kFieldTextMode{300, 7, Parity::kEven, 2};
inline constexpr SerialSettings kFieldBinaryMode{9600, 8, Parity::kEven, 2};
inline constexpr std::size_t kFieldMemorySize = 0x10000;
inline constexpr std::uint16_t kStationBlockAddress = 0xEFF0;
inline constexpr const char* kFieldVersion = "FIELD DEVICE SIMULATOR 1.0";

using FieldMemory = std::array<std::uint8_t, kFieldMemorySize>;

struct FieldOptions {
    std::filesystem::path memoryFile;      // empty: the memory lives only in the process
    std::optional<std::size_t> stopAfter;  // the next read sends only this many bytes
};

// A fresh memory: 0xFF everywhere, with a plausible station parameter block.
FieldMemory FreshFieldMemory();
// Reads the memory file, or creates it fresh when it is missing. False with a message when
// it exists but is not a 64 KiB file, or cannot be read or created.
bool LoadFieldMemory(const std::filesystem::path& file, FieldMemory& memory, std::string& error);

class FieldDevice : public SimDevice {
  public:
    // An unanswered binary transfer is given up after this long without a byte.
    static constexpr std::uint32_t kTransferTimeoutMs = 3000;
    static constexpr std::size_t kMaxTextLine = 80;

    FieldDevice(SerialPort& port, const FieldMemory& memory, FieldOptions options);

    void Receive(std::span<const std::uint8_t> bytes) override;
    void Tick(std::uint32_t nowMs) override;

    const FieldMemory& Memory() const { return memory_; }
    // True while output is still queued for the line.
    bool Busy() const { return !out_.empty(); }

  private:
    enum class State { kText, kAwaitAck, kReceiving, kAwaitFinalAck };
    struct Step {
        enum class Kind { kByte, kMode, kPause } kind;
        std::uint8_t byte = 0;
        SerialSettings mode{};
        std::uint32_t ms = 0;
    };

    void HearText(std::uint8_t b);
    void HearBinary(std::uint8_t b);
    void OnLine(const std::string& line);
    bool StartTransfer(const std::string& line);
    void SendMemory();
    void FinishWrite();
    void GiveUp();

    void Send(std::uint8_t b);
    void Send(std::string_view text);
    void SwitchMode(const SerialSettings& mode);
    void PauseOutput(std::uint32_t ms);
    void Release(std::uint32_t nowMs);
    std::string StationLine() const;

    SerialPort& port_;
    FieldMemory memory_;
    FieldOptions options_;
    State state_ = State::kText;
    std::string line_;
    std::uint32_t start_ = 0;
    std::size_t length_ = 0;
    std::vector<std::uint8_t> incoming_;
    bool writeOpen_ = false;

    std::uint32_t nowMs_ = 0;
    std::uint32_t lastHeardMs_ = 0;
    std::deque<Step> out_;
    SerialSettings lineMode_ = kFieldTextMode;
    std::uint64_t lineFreeUs_ = 0;  // when the line can start the next character
    std::optional<std::uint32_t> pauseUntil_;
};

}  // namespace vadrix::sim
