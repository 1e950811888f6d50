#include "runtime/TermiosSerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vadrix {
namespace {

std::string ErrnoText(const std::string& what, int err) {
    return what + ": " + std::strerror(err);
}

bool HungUp(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

}  // namespace

TermiosSerialPort::~TermiosSerialPort() {
    Close();
}

bool TermiosSerialPort::Open(int portNumber, const SerialSettings& settings, std::string& error) {
    if (IsOpen()) Close();
    device_ = table_.DeviceOf(portNumber);
    if (device_.empty()) {
        error = "COM" + std::to_string(portNumber) + " has no device in the port table";
        return false;
    }
    const int fd = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = ErrnoText(device_, errno);
        return false;
    }
    if (const int err = serial_line::Configure(fd, settings); err != 0) {
        error = ErrnoText(device_, err);
        ::close(fd);
        return false;
    }
    // A second program on the same device would steal bytes; ptys and some drivers refuse.
    serial_line::TakeExclusive(fd);
    serial_line::DiscardInput(fd);
    fd_ = fd;
    settings_ = settings;
    lastError_.clear();
    haveCounters_ = serial_line::ReadErrorCounters(fd_, counters_) == 0;
    levels_ = 0;
    serial_line::ReadModemLevels(fd_, levels_);
    changed_ = 0;

    readNotifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(readNotifier_.get(), &QSocketNotifier::activated, [this] { OnReadable(); });
    writeNotifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
    writeNotifier_->setEnabled(false);
    QObject::connect(writeNotifier_.get(), &QSocketNotifier::activated, [this] { OnWritable(); });
    return true;
}

void TermiosSerialPort::Close() {
    // A handler may close the port from inside the notifier's own signal: the notifiers are
    // switched off now and deleted once control is back in the event loop.
    for (auto* n : {&readNotifier_, &writeNotifier_}) {
        if (!*n) continue;
        (*n)->setEnabled(false);
        (*n)->disconnect();
        n->release()->deleteLater();
    }
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    gone_ = false;
    input_.clear();
    inputPos_ = 0;
    output_.clear();
    marks_.Reset();
    lineError_ = 0;
    break_ = false;
    trigger_ = 0;
    armedMask_ = 0;
}

void TermiosSerialPort::Apply(const SerialSettings& settings) {
    settings_ = settings;
    if (!IsOpen()) return;
    const int err = serial_line::Configure(fd_, settings);
    lastError_ = err == 0 ? std::string() : ErrnoText(device_, err);
}

std::size_t TermiosSerialPort::Read(std::span<std::uint8_t> buf) {
    const std::size_t n = std::min(buf.size(), Available());
    std::copy_n(input_.begin() + static_cast<std::ptrdiff_t>(inputPos_), n, buf.begin());
    inputPos_ += n;
    if (inputPos_ == input_.size()) {
        input_.clear();
        inputPos_ = 0;
    }
    return n;
}

std::uint8_t TermiosSerialPort::TakeLineError() {
    return std::exchange(lineError_, 0);
}

bool TermiosSerialPort::TakeBreak() {
    return std::exchange(break_, false);
}

void TermiosSerialPort::OnReadable() {
    std::uint8_t buf[4096];
    bool any = false;
    std::string lost;
    for (;;) {
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n > 0) {
            marks_.Feed(buf, static_cast<std::size_t>(n),
                        [this](serial_line::MarkDecoder::Item item, std::uint8_t b) {
                            if (item == serial_line::MarkDecoder::Item::kData)
                                Deliver(b);
                            else
                                MarkedError(item, b);
                        });
            any = true;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        // Nothing more to read reads as 0 bytes (no minimum count is set); a terminal that
        // hung up reads so too, but says so when polled. A pseudo-terminal whose other side
        // closed fails with an I/O error.
        if (n == 0 && HungUp(fd_)) lost = device_ + ": the line hung up";
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) lost = ErrnoText(device_, errno);
        break;
    }
    // Stop listening at once instead of waking up for the same end again and again.
    if (!lost.empty()) readNotifier_->setEnabled(false);
    CheckCounters();
    if ((any || lineError_ != 0 || break_) && data_) data_(Available());
    // The bytes before the end were delivered first; the handler may close the port.
    if (!lost.empty() && IsOpen() && !gone_) Lose(lost);
}

void TermiosSerialPort::Lose(const std::string& why) {
    gone_ = true;
    if (readNotifier_) readNotifier_->setEnabled(false);
    if (writeNotifier_) writeNotifier_->setEnabled(false);
    output_.clear();
    if (lost_) lost_(why);
}

void TermiosSerialPort::Deliver(std::uint8_t b) {
    if (Available() >= kInputLimit) {
        lineError_ = line_error::kBufferOverflow;
        return;
    }
    input_.push_back(b);
}

// A marked byte: the driver's counters tell which error it was, where it has them; else a
// break is a break and an error is a parity error when parity is on, a framing error if not.
void TermiosSerialPort::MarkedError(serial_line::MarkDecoder::Item item, std::uint8_t b) {
    using Item = serial_line::MarkDecoder::Item;
    const serial_line::ErrorCounters before = counters_;
    CheckCounters();
    const bool counted =
        haveCounters_ && (counters_.brk != before.brk || counters_.frame != before.frame ||
                          counters_.parity != before.parity);
    const bool isBreak = counted ? counters_.brk != before.brk && b == 0 : item == Item::kBreak;
    if (isBreak) {
        break_ = true;
        lineError_ = line_error::kBreak;
        return;
    }
    if (!counted)
        lineError_ = settings_.parity != Parity::kNone ? line_error::kParity : line_error::kFraming;
    Deliver(b);
}

void TermiosSerialPort::CheckCounters() {
    if (!haveCounters_) return;
    serial_line::ErrorCounters now;
    if (serial_line::ReadErrorCounters(fd_, now) != 0) return;
    if (now.bufferOverrun != counters_.bufferOverrun) lineError_ = line_error::kBufferOverflow;
    if (now.overrun != counters_.overrun) lineError_ = line_error::kOverrun;
    if (now.parity != counters_.parity) lineError_ = line_error::kParity;
    if (now.frame != counters_.frame) lineError_ = line_error::kFraming;
    if (now.brk != counters_.brk) {
        break_ = true;
        lineError_ = line_error::kBreak;
    }
    counters_ = now;
}

std::uint8_t TermiosSerialPort::ModemStatus() {
    const auto s = static_cast<std::uint8_t>(levels_ | changed_);
    changed_ = 0;
    return s;
}

std::uint16_t TermiosSerialPort::AddModemTrigger() {
    trigger_ = nextTrigger_++;
    if (nextTrigger_ == 0) nextTrigger_ = 1;
    armedMask_ = 0;
    return trigger_;
}

void TermiosSerialPort::ArmModemTrigger(std::uint16_t trigger, std::uint8_t mask) {
    if (trigger != 0 && trigger == trigger_) armedMask_ = mask;
}

void TermiosSerialPort::PollModem() {
    if (!IsOpen()) return;
    std::uint8_t levels = 0;
    if (serial_line::ReadModemLevels(fd_, levels) != 0) return;  // ptys have no modem lines
    const auto flipped = static_cast<std::uint8_t>(levels ^ levels_);
    levels_ = levels;
    changed_ |= static_cast<std::uint8_t>(flipped >> 4);
    if (trigger_ != 0 && (flipped & armedMask_) != 0) {
        armedMask_ = 0;
        if (status_) status_(trigger_);
    }
}

void TermiosSerialPort::Write(std::span<const std::uint8_t> bytes) {
    if (!IsOpen() || gone_ || bytes.empty()) return;
    output_.insert(output_.end(), bytes.begin(), bytes.end());
    FlushOutput();
}

void TermiosSerialPort::FlushOutput() {
    std::size_t done = 0;
    while (done < output_.size()) {
        const ssize_t n = ::write(fd_, output_.data() + done, output_.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            // Nothing can go out any more (the device went away; reading tells): waiting
            // for the device to take the rest would wake the loop for ever.
            done = output_.size();
        }
        break;  // the driver's buffer is full: go on when it can take more
    }
    output_.erase(output_.begin(), output_.begin() + static_cast<std::ptrdiff_t>(done));
    if (writeNotifier_) writeNotifier_->setEnabled(!output_.empty());
}

void TermiosSerialPort::OnWritable() {
    FlushOutput();
}

std::size_t TermiosSerialPort::OutputPending() const {
    std::size_t queued = 0;
    if (IsOpen()) serial_line::OutputQueued(fd_, queued);
    return output_.size() + queued;
}

void TermiosSerialPort::SetRts(bool on) {
    if (IsOpen()) serial_line::SetRts(fd_, on);
}

void TermiosSerialPort::SetDtr(bool on) {
    if (IsOpen()) serial_line::SetDtr(fd_, on);
}

}  // namespace vadrix
