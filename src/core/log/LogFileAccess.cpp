#include "log/LogFileAccess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace vadrix {

TFileAccess& TFileAccess::operator=(TFileAccess&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

bool TFileAccess::Open(const std::filesystem::path& file, Mode mode) {
    Close();
    int flags = O_CLOEXEC;
    switch (mode) {
        case Mode::kReadOnly:
            flags |= O_RDONLY;
            break;
        case Mode::kReadWrite:
            flags |= O_RDWR;
            break;
        case Mode::kCreateTruncate:
            flags |= O_RDWR | O_CREAT | O_TRUNC;
            break;
    }
    do {
        fd_ = ::open(file.c_str(), flags, 0644);
    } while (fd_ < 0 && errno == EINTR);
    return fd_ >= 0;
}

void TFileAccess::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::size_t TFileAccess::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buf) const {
    if (fd_ < 0) return 0;
    std::size_t done = 0;
    while (done < buf.size()) {
        const ssize_t n =
            ::pread(fd_, buf.data() + done, buf.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool TFileAccess::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) const {
    if (fd_ < 0) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool TFileAccess::Sync() const {
    if (fd_ < 0) return false;
    int r;
    do {
        r = ::fdatasync(fd_);
    } while (r != 0 && errno == EINTR);
    return r == 0;
}

std::uint64_t TFileAccess::Size() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

}  // namespace vadrix
