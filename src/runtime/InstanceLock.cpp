#include "runtime/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace vadrix {

InstanceLock::~InstanceLock() {
    Release();
}

int InstanceLock::Acquire(const std::filesystem::path& directory) {
    if (slot_ != 0) return slot_;
    for (int n = 1; n <= 2; ++n) {
        const std::string name = (directory / ("Q5Lumo" + std::to_string(n))).string();
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            fd_ = fd;
            slot_ = n;
            return n;
        }
        ::close(fd);
    }
    return 0;
}

void InstanceLock::Release() {
    if (fd_ >= 0) ::close(fd_);  // closing drops the lock
    fd_ = -1;
    slot_ = 0;
}

std::filesystem::path InstanceLock::DefaultDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        std::error_code ec;
        if (std::filesystem::is_directory(runtime, ec)) return runtime;
    }
    return "/tmp";
}

}  // namespace vadrix
