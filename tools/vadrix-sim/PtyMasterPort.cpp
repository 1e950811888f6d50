#include "PtyMasterPort.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vadrix::sim {

PtyMasterPort::~PtyMasterPort() {
    Close();
}

bool PtyMasterPort::Create(std::string& error) {
    Close();
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    const char* name = nullptr;
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        (name = ::ptsname(master_)) == nullptr) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        Close();
        return false;
    }
    slavePath_ = name;
    slaveHold_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slaveHold_ >= 0) {
        // Raw until the program sets its own format: no echo, no line editing.
        termios t{};
        if (::tcgetattr(slaveHold_, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(slaveHold_, TCSANOW, &t);
        }
    }
    readNotifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    QObject::connect(readNotifier_.get(), &QSocketNotifier::activated, [this] { OnReadable(); });
    writeNotifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Write);
    writeNotifier_->setEnabled(false);
    QObject::connect(writeNotifier_.get(), &QSocketNotifier::activated, [this] { Flush(); });
    return true;
}

bool PtyMasterPort::Open(int, const SerialSettings& settings, std::string& error) {
    settings_ = settings;
    if (IsOpen()) return true;
    return Create(error);
}

void PtyMasterPort::Close() {
    readNotifier_.reset();
    writeNotifier_.reset();
    if (master_ >= 0) ::close(master_);
    if (slaveHold_ >= 0) ::close(slaveHold_);
    master_ = slaveHold_ = -1;
    input_.clear();
    inputPos_ = 0;
    output_.clear();
}

void PtyMasterPort::OnReadable() {
    std::uint8_t buf[4096];
    const std::size_t before = Available();
    for (ssize_t n; (n = ::read(master_, buf, sizeof buf)) > 0;)
        input_.insert(input_.end(), buf, buf + n);
    if (Available() > before && data_) data_(Available());
}

std::size_t PtyMasterPort::Read(std::span<std::uint8_t> buf) {
    const std::size_t n = std::min(buf.size(), Available());
    std::copy_n(input_.begin() + static_cast<std::ptrdiff_t>(inputPos_), n, buf.begin());
    inputPos_ += n;
    if (inputPos_ == input_.size()) {
        input_.clear();
        inputPos_ = 0;
    }
    return n;
}

void PtyMasterPort::Write(std::span<const std::uint8_t> bytes) {
    if (!IsOpen() || bytes.empty()) return;
    // Nobody reads the line: like a real line, what cannot go out is lost, not hoarded.
    if (output_.size() + bytes.size() > kOutputLimit) return;
    output_.insert(output_.end(), bytes.begin(), bytes.end());
    Flush();
}

void PtyMasterPort::Flush() {
    while (!output_.empty()) {
        const ssize_t n = ::write(master_, output_.data(), output_.size());
        if (n <= 0) break;
        output_.erase(output_.begin(), output_.begin() + n);
    }
    // The rest goes out when the slave's input queue has room again.
    if (writeNotifier_) writeNotifier_->setEnabled(!output_.empty());
}

std::size_t PtyMasterPort::OutputPending() const {
    return output_.size();
}

}  // namespace vadrix::sim
