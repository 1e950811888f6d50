#pragma once
// The demo line: simulated stations or a simulated monitor device on pseudo-terminals, a
// data directory of the demo's own with a set-up that points the program at them, and the
// words that start the program online. The user's own data and settings stay untouched.

#include <QProcess>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vadrix {

enum class DemoMode { kDirect, kMonitor };

// "" and "direct" are the direct variant with polled stations, "monitor" the monitor device.
std::optional<DemoMode> ParseDemoMode(std::string_view word);

struct DemoLaunch {
    std::filesystem::path configHome;
    std::filesystem::path dataHome;
    std::filesystem::path lockDirectory;
    std::vector<std::string> words;                  // the set-up file and the online word
    std::vector<std::pair<int, std::string>> ports;  // port number -> the simulator's line
};

// $XDG_DATA_HOME/vadrix-demo (~/.local/share/vadrix-demo).
std::filesystem::path DefaultDemoRoot();

class DemoLine {
  public:
    DemoLine() = default;
    ~DemoLine();
    DemoLine(const DemoLine&) = delete;
    DemoLine& operator=(const DemoLine&) = delete;

    // toolsDir holds vadrix-sim and vadrix-cli. False with a message naming what failed.
    bool Start(DemoMode mode, const std::filesystem::path& toolsDir,
               const std::filesystem::path& root, DemoLaunch& out, std::string& error);
    // Ends the simulators: terminate, then kill after a short grace.
    void Stop();
    bool Running() const;

  private:
    bool StartSimulator(const std::filesystem::path& sim, const QStringList& args,
                        const std::filesystem::path& link, std::string& error);

    std::vector<std::unique_ptr<QProcess>> simulators_;
};

}  // namespace vadrix
