#pragma once
// A limit on the size of the files this process writes, for as long as it lives: a write past
// it fails (its signal ignored), as on a full disk.

#include <sys/resource.h>

#include <csignal>

namespace vadrix::testing {

class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = old_;
        lower.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit old_{};
    void (*previous_)(int) = SIG_DFL;
};

}  // namespace vadrix::testing
