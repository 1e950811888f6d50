#pragma once
// A vadrix-sim process on a pseudo-terminal of its own, as a user starts it: the test reads
// the device path it prints, points the program at it, and stops it with SIGTERM.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vadrix::testing {

class SimProcess {
  public:
    // Starts "vadrix-sim ARGS --pty"; its log goes to logFile.
    SimProcess(const std::vector<std::string>& args, const std::string& logFile)
        : logFile_(logFile) {
        int out[2];
        if (::pipe(out) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            const int err = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (err >= 0) ::dup2(err, STDERR_FILENO);
            ::close(out[0]);
            std::vector<char*> argv{const_cast<char*>(VADRIX_SIM)};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(const_cast<char*>("--pty"));
            argv.push_back(nullptr);
            ::execv(VADRIX_SIM, argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        stdout_ = out[0];
        device_ = ReadPath();
    }
    ~SimProcess() {
        Stop();
        if (stdout_ >= 0) ::close(stdout_);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // The device the program opens; empty when the simulator did not start.
    const std::string& device() const { return device_; }

    // SIGTERM and the exit code (-1 when it did not exit by itself within 5 s).
    int Stop() {
        if (pid_ <= 0) return exitCode_;
        ::kill(pid_, SIGTERM);
        int status = 0;
        for (int i = 0; i < 500; ++i) {
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                pid_ = 0;
                return exitCode_;
            }
            ::usleep(10000);
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        pid_ = 0;
        return exitCode_ = -1;
    }

    // What the simulator logged so far.
    std::string Log() const {
        std::ifstream in(logFile_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

  private:
    std::string ReadPath() {
        std::string line;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{stdout_, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            char c;
            if (::read(stdout_, &c, 1) != 1) break;
            if (c == '\n') break;
            line += c;
        }
        const std::string prefix = "pty: ";
        return line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : std::string();
    }

    std::string logFile_;
    pid_t pid_ = -1;
    int stdout_ = -1;
    int exitCode_ = -1;
    std::string device_;
};

}  // namespace vadrix::testing
