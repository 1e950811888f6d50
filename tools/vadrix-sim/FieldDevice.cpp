#include "FieldDevice.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <system_error>
#include <utility>

#include "SimLog.h"
#include "common/FileWrite.h"
#include "params/StationParams.h"

namespace vadrix::sim {
namespace {

constexpr std::uint8_t kAck = 0x06;
constexpr std::uint32_t kTickUs = 5000;
// Output may run this far ahead of the line, as a UART's buffer holds it, so that a short
// stall of the simulator does not leave a gap the program takes for the end of a transfer.
constexpr std::uint64_t kAheadUs = 100000;
constexpr std::uint32_t kAfterReadMs = 60;   // the line rests before the answer after data
constexpr std::uint32_t kAfterWriteMs = 20;  // and after the last handshake of a write
constexpr std::size_t kMaxTransfer = 0x2000;
constexpr std::array<std::uint8_t, 16> kDefaultStationBlock = {20, 120,  25, 30, 10, 0x44, 4, 99,
                                                               7,  0x08, 0,  0,  0,  0,    0, 0};

std::uint64_t CharTimeUs(const SerialSettings& s) {
    const unsigned bits = 1u + s.dataBits + (s.parity == Parity::kNone ? 0u : 1u) + s.stopBits;
    return bits * 1000000ull / std::max<std::uint32_t>(s.baud, 1);
}

std::optional<std::uint32_t> Hex4(std::string_view s) {
    std::uint32_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 16);
    if (s.size() != 4 || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

}  // namespace

FieldMemory FreshFieldMemory() {
    FieldMemory m;
    m.fill(0xFF);
    std::copy(kDefaultStationBlock.begin(), kDefaultStationBlock.end(),
              m.begin() + kStationBlockAddress);
    return m;
}

bool LoadFieldMemory(const std::filesystem::path& file, FieldMemory& memory, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        memory = FreshFieldMemory();
        if (WriteWholeFile(file, memory)) return true;
        error = "cannot create the memory file " + file.string();
        return false;
    }
    if (!std::filesystem::is_regular_file(file, ec) ||
        std::filesystem::file_size(file, ec) != kFieldMemorySize || ec) {
        error = "the memory file " + file.string() + " is not a file of 65536 bytes";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(memory.data()), kFieldMemorySize)) {
        error = "cannot read the memory file " + file.string();
        return false;
    }
    return true;
}

FieldDevice::FieldDevice(SerialPort& port, const FieldMemory& memory, FieldOptions options)
    : port_(port), memory_(memory), options_(std::move(options)) {
    port_.Apply(kFieldTextMode);
}

// ---- what the device hears -------------------------------------------------------------------

void FieldDevice::Receive(std::span<const std::uint8_t> bytes) {
    lastHeardMs_ = nowMs_;
    for (const std::uint8_t b : bytes) {
        if (state_ == State::kText)
            HearText(b);
        else
            HearBinary(b);
    }
}

void FieldDevice::HearText(std::uint8_t b) {
    Send(b);  // every character comes back
    if (b == 'X' && line_.empty()) {
        Send('\n');  // awake
        SimLog("field: wake-up");
        return;
    }
    if (b == '\r') {
        OnLine(std::exchange(line_, std::string()));
        return;
    }
    if (b != '\n' && line_.size() < kMaxTextLine) line_ += static_cast<char>(b);
}

void FieldDevice::OnLine(const std::string& line) {
    if (line.starts_with("fl") || line.starts_with("fp")) {
        if (!StartTransfer(line)) {
            SimLog("field: refused '%s'", line.c_str());
            Send("?\r\n");
        }
    } else if (line == "IB" || line == "IA") {
        writeOpen_ = line == "IB";
        SimLog("field: writing %s", writeOpen_ ? "opened" : "closed");
        Send(" OK\r\n");
    } else if (line == "V") {
        SimLog("field: version");
        Send("\r\n" + std::string(kFieldVersion) + "\r\n");
    } else if (line == "S") {
        SimLog("field: station parameters");
        Send("\r\n" + StationLine() + "\r\n");
    } else if (line.empty()) {
        Send("\n");
    } else {
        SimLog("field: unknown command '%s'", line.c_str());
        Send("\r\n?\r\n");
    }
}

bool FieldDevice::StartTransfer(const std::string& line) {
    // "fl" or "fp", four hex digits, "~", four hex digits.
    if (line.size() != 11 || line[6] != '~') return false;
    const auto start = Hex4(std::string_view(line).substr(2, 4));
    const auto length = Hex4(std::string_view(line).substr(7, 4));
    if (!start || !length || *length == 0 || *length > kMaxTransfer ||
        *start + *length > kFieldMemorySize)
        return false;
    start_ = *start;
    length_ = *length;
    SwitchMode(kFieldBinaryMode);
    if (line[1] == 'l') {
        state_ = State::kAwaitAck;
        SimLog("field: read %04X-%04zX (%zu bytes)", start_, start_ + length_ - 1, length_);
    } else {
        state_ = State::kReceiving;
        incoming_.clear();
        SimLog("field: write %04X-%04zX (%zu bytes)%s", start_, start_ + length_ - 1, length_,
               writeOpen_ ? "" : " without IB");
    }
    return true;
}

void FieldDevice::HearBinary(std::uint8_t b) {
    switch (state_) {
        case State::kAwaitAck:
            if (b == kAck) SendMemory();
            break;
        case State::kReceiving:
            incoming_.push_back(b);
            Send(b);
            if (incoming_.size() == length_) state_ = State::kAwaitFinalAck;
            break;
        case State::kAwaitFinalAck:
            if (b == kAck) FinishWrite();
            break;
        case State::kText:
            break;
    }
}

void FieldDevice::SendMemory() {
    const std::size_t n = std::min(options_.stopAfter.value_or(length_), length_);
    options_.stopAfter.reset();  // only the next read is cut short
    for (std::size_t i = 0; i < n; ++i) Send(memory_[start_ + i]);
    state_ = State::kText;
    PauseOutput(kAfterReadMs);
    SwitchMode(kFieldTextMode);
    if (n == length_) Send("OK\r\n");
    SimLog("field: sent %zu of %zu bytes", n, length_);
}

void FieldDevice::FinishWrite() {
    Send(kAck);
    std::copy(incoming_.begin(), incoming_.end(), memory_.begin() + start_);
    bool saved = true;
    if (!options_.memoryFile.empty()) {
        saved = WriteWholeFile(options_.memoryFile, memory_);
        if (!saved)
            SimError("field: cannot write the memory file %s",
                     options_.memoryFile.string().c_str());
    }
    state_ = State::kText;
    PauseOutput(kAfterWriteMs);
    SwitchMode(kFieldTextMode);
    Send(saved ? "OK\r\n" : "ERR\r\n");
    SimLog("field: stored %zu bytes at %04X", incoming_.size(), start_);
}

void FieldDevice::GiveUp() {
    SimLog("field: transfer given up after %zu bytes", incoming_.size());
    state_ = State::kText;
    incoming_.clear();
    SwitchMode(kFieldTextMode);
}

std::string FieldDevice::StationLine() const {
    StationParamBlock block{};
    std::copy_n(memory_.begin() + kStationBlockAddress, block.size(), block.begin());
    const StationParamValues v = StationParamsToValues(block);
    char text[128];
    std::snprintf(text, sizeof text, "STATION %d RX %d BD %.1f TX %d BD %.1f TOL %d STATUS %02X",
                  v.station, v.rxBaud, v.rxMv, v.txBaud, v.txMv, v.tolerance, v.statusByte);
    return text;
}

// ---- the line ----------------------------------------------------------------------------------

void FieldDevice::Send(std::uint8_t b) {
    out_.push_back({Step::Kind::kByte, b, {}, 0});
}

void FieldDevice::Send(std::string_view text) {
    for (const char c : text) Send(static_cast<std::uint8_t>(c));
}

void FieldDevice::SwitchMode(const SerialSettings& mode) {
    out_.push_back({Step::Kind::kMode, 0, mode, 0});
}

void FieldDevice::PauseOutput(std::uint32_t ms) {
    out_.push_back({Step::Kind::kPause, 0, {}, ms});
}

void FieldDevice::Tick(std::uint32_t nowMs) {
    nowMs_ = nowMs;
    if (state_ != State::kText && out_.empty() && nowMs - lastHeardMs_ > kTransferTimeoutMs)
        GiveUp();
    Release(nowMs);
}

void FieldDevice::Release(std::uint32_t nowMs) {
    const std::uint64_t nowUs = std::uint64_t{nowMs} * 1000;
    // After a rest the line may catch up one tick, no more.
    lineFreeUs_ = std::max(lineFreeUs_, nowUs > kTickUs ? nowUs - kTickUs : 0);
    std::vector<std::uint8_t> batch;
    const auto flush = [&] {
        if (!batch.empty()) port_.Write(batch);
        batch.clear();
    };
    while (!out_.empty()) {
        const Step& s = out_.front();
        if (s.kind == Step::Kind::kByte) {
            if (lineFreeUs_ > nowUs + kAheadUs) break;
            batch.push_back(s.byte);
            lineFreeUs_ += CharTimeUs(lineMode_);
        } else if (s.kind == Step::Kind::kMode) {
            flush();
            // The character format changes once the port has sent what it was given; the
            // program has those characters by then, so the new format starts at once.
            if (port_.OutputPending() > 0) break;
            port_.Apply(s.mode);
            lineMode_ = s.mode;
            lineFreeUs_ = nowUs;
        } else {
            flush();
            if (!pauseUntil_) pauseUntil_ = nowMs + s.ms;
            if (static_cast<std::int32_t>(nowMs - *pauseUntil_) < 0) break;
            pauseUntil_.reset();
        }
        out_.pop_front();
    }
    flush();
}

}  // namespace vadrix::sim
