#include "support/FakeSerialPort.h"

#include <algorithm>
#include <utility>

namespace vadrix::testing {

bool FakeSerialPort::Open(int portNumber, const SerialSettings& s, std::string& error) {
    if (!failOpenWith.empty()) {
        error = failOpenWith;
        return false;
    }
    settings = s;
    openedPort = portNumber;
    ++openCount;
    open_ = true;
    return true;
}

void FakeSerialPort::Close() {
    open_ = false;
    trigger_ = 0;
    armedMask = 0;
    input_.clear();
}

std::size_t FakeSerialPort::Read(std::span<std::uint8_t> buf) {
    const std::size_t n = std::min(buf.size(), input_.size());
    std::copy_n(input_.begin(), n, buf.begin());
    input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
}

std::uint8_t FakeSerialPort::TakeLineError() {
    if (lineErrors_.empty()) return 0;
    const std::uint8_t code = lineErrors_.front();
    lineErrors_.pop_front();
    return code;
}

bool FakeSerialPort::TakeBreak() {
    return std::exchange(break_, false);
}

std::uint8_t FakeSerialPort::ModemStatus() {
    const auto s = static_cast<std::uint8_t>(levels_ | changed_);
    changed_ = 0;
    return s;
}

std::uint16_t FakeSerialPort::AddModemTrigger() {
    trigger_ = nextTrigger_++;
    return trigger_;
}

void FakeSerialPort::ArmModemTrigger(std::uint16_t trigger, std::uint8_t mask) {
    if (trigger == trigger_) armedMask = mask;
}

void FakeSerialPort::Write(std::span<const std::uint8_t> bytes) {
    if (!open_) return;
    written.insert(written.end(), bytes.begin(), bytes.end());
    writes.emplace_back(bytes.begin(), bytes.end());
    rtsAtWrite.push_back(rts);
}

void FakeSerialPort::Inject(std::span<const std::uint8_t> bytes) {
    if (!open_) return;
    input_.insert(input_.end(), bytes.begin(), bytes.end());
    if (data_ && !input_.empty()) data_(input_.size());
}

void FakeSerialPort::Inject(std::initializer_list<std::uint8_t> bytes) {
    Inject(std::span<const std::uint8_t>(bytes.begin(), bytes.size()));
}

void FakeSerialPort::SignalLineError(std::uint8_t code) {
    InjectLineError(code);
    if (open_ && data_) data_(input_.size());
}

void FakeSerialPort::SignalBreak() {
    InjectBreak();
    if (open_ && data_) data_(input_.size());
}

void FakeSerialPort::SetModemLevels(std::uint8_t levels) {
    levels &= 0xF0;
    const auto flipped = static_cast<std::uint8_t>(levels ^ levels_);
    levels_ = levels;
    changed_ |= static_cast<std::uint8_t>(flipped >> 4);
    // One event per arming, only for the lines of the trigger's mask.
    if (open_ && trigger_ != 0 && (flipped & armedMask) != 0) {
        armedMask = 0;
        ++statusEvents;
        if (status_) status_(trigger_);
    }
}

}  // namespace vadrix::testing
