#pragma once
// What every subcommand of vadrix-cli shares: the context and its seams, the common start,
// messages, the progress indication, and a log opened for reading.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Context.h"
#include "common/Clock.h"
#include "runtime/ConsoleUserInterface.h"
#include "runtime/DesktopPlatform.h"
#include "runtime/QtClock.h"
#include "runtime/QtEventLoop.h"

namespace vadrix::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // a missing, invalid or unwritable file
inline constexpr int kExitUsage = 2;   // bad command or options
inline constexpr int kExitNoInstance = 3;

// The local clock, or, while a capture is replayed, a clock that stands at the capture's
// times: its counter is set from the capture and its local time runs with it from start.
class ToolClock : public Clock {
  public:
    std::uint32_t MsCounter() override { return captured_ ? ms_ : real_.MsCounter(); }
    LocalDateTime Now() override;
    void Sleep(std::uint32_t ms) override;

    void Capture(const LocalDateTime& start, std::uint32_t ms);
    void SetMs(std::uint32_t ms) { ms_ = ms; }
    std::uint32_t Ms() const { return ms_; }

  private:
    QtClock real_;
    bool captured_ = false;
    LocalDateTime start_{};
    std::uint32_t startMs_ = 0;
    std::uint32_t ms_ = 0;
};

// Reading or writing a file takes no instance slot: the tool never opens a port nor the
// program's live log, and writes only the new files it is told to.
class ToolPlatform : public DesktopPlatform {
  public:
    explicit ToolPlatform(bool takeSlot) : takeSlot_(takeSlot) {}
    int AcquireInstanceSlot() override {
        return takeSlot_ ? DesktopPlatform::AcquireInstanceSlot() : 1;
    }

  private:
    bool takeSlot_;
};

struct Tool {
    explicit Tool(bool takeSlot) : platform(takeSlot) {}

    // The program's common start; -1 to go on, else the exit code.
    int Start();
    // --lang ger|usa: the texts of that language; false with a message.
    bool UseLanguage(const std::string& lang);
    Context& ctx() { return *context; }

    ToolClock clock;
    QtEventLoop loop;
    ConsoleUserInterface ui;
    ToolPlatform platform;
    std::unique_ptr<Context> context = std::make_unique<Context>(clock, loop, ui);
};

// "vadrix-cli: " + message on standard error.
void Error(const std::string& message);
int UsageError(const std::string& message, const char* command);

// A percentage on standard error while it is a terminal; nothing otherwise.
class Progress {
  public:
    Progress();
    ~Progress() { Done(); }
    std::function<bool(int)> Callback();
    void Show(int percent);
    void Done();

  private:
    bool terminal_;
    int shown_ = -1;
};

// The log a command reads becomes the context's log, opened for reading only: nothing of it
// is ever written.
class LogSnapshot {
  public:
    LogSnapshot(Tool& tool) : tool_(tool) {}
    ~LogSnapshot();
    LogSnapshot(const LogSnapshot&) = delete;
    LogSnapshot& operator=(const LogSnapshot&) = delete;

    // False with a message when the file is missing, unreadable or not a log.
    bool Open(const std::filesystem::path& log);
    const std::filesystem::path& Source() const { return source_; }

  private:
    Tool& tool_;
    std::filesystem::path source_;
};

// A target the tool must not write: a file it reads or the live log of a running program.
bool Protected(Tool& tool, const std::filesystem::path& target,
               const std::vector<std::filesystem::path>& inputs);

// Date and time of a stored time stamp: "dd.mm.yyyy hh:mm:ss.mmm".
std::string DateTimeText(double time);

}  // namespace vadrix::cli
