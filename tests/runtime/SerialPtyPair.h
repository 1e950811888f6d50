#pragma once
// A pseudo-terminal pair for serial port tests: the port opens the device side, the test
// plays the far end on the other.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vadrix::testing {

class PtyPair {
  public:
    PtyPair() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        const char* name = ::ptsname(master_);
        if (name != nullptr) device_ = name;
    }
    ~PtyPair() {
        if (master_ >= 0) ::close(master_);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return !device_.empty(); }
    const std::string& device() const { return device_; }

    void Send(const std::vector<std::uint8_t>& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n > 0)
                done += static_cast<std::size_t>(n);
            else
                WaitFor(POLLOUT, 50);
        }
    }
    // What the port has written so far, without waiting.
    std::vector<std::uint8_t> ReadAvailable() {
        std::vector<std::uint8_t> got;
        std::uint8_t buf[512];
        for (ssize_t r; (r = ::read(master_, buf, sizeof buf)) > 0;)
            got.insert(got.end(), buf, buf + r);
        return got;
    }
    // What the port wrote, up to n bytes within the time limit.
    std::vector<std::uint8_t> Receive(std::size_t n, int timeoutMs = 2000) {
        std::vector<std::uint8_t> got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < n && std::chrono::steady_clock::now() < end) {
            QCoreApplication::processEvents();  // lets queued output go out
            std::uint8_t buf[512];
            const ssize_t r = ::read(master_, buf, std::min(sizeof buf, n - got.size()));
            if (r > 0)
                got.insert(got.end(), buf, buf + r);
            else
                WaitFor(POLLIN, 10);
        }
        return got;
    }

  private:
    void WaitFor(short events, int ms) {
        pollfd p{master_, events, 0};
        ::poll(&p, 1, ms);
    }
    int master_ = -1;
    std::string device_;
};

// Runs the event loop until the condition holds or the time is up.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 2000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

}  // namespace vadrix::testing
