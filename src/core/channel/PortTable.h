#pragma once
// Port numbers 1..64 ("COM" n in the texts) and the devices behind them: the table file
// "ports" in the data directory, lines "N /dev/path", and overrides for one run.

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vadrix {

inline constexpr int kMaxPortNumber = 64;
inline constexpr const char* kPortTableFileName = "ports";

class PortTable {
  public:
    // Reads lines "N path"; blank lines and lines starting with '#' are skipped. Lines that
    // do not parse are skipped too and their 1-based numbers returned.
    std::vector<int> Parse(std::string_view text);
    std::string Format() const;

    // false with a message when the file exists but cannot be read; a missing file is empty.
    bool Load(const std::filesystem::path& file, std::string& error);
    bool Save(const std::filesystem::path& file, std::string& error) const;

    void Set(int port, std::string path);
    // Takes precedence over the table for this run and is never saved.
    void Override(int port, std::string path);
    // The device of a port: the override, else the table entry, else empty.
    std::string DeviceOf(int port) const;
    // Port numbers with a device, in ascending order.
    std::vector<int> Ports() const;
    bool Empty() const { return entries_.empty() && overrides_.empty(); }

  private:
    std::map<int, std::string> entries_;
    std::map<int, std::string> overrides_;
};

// "N=/dev/path" as the command-line option --port takes it.
std::optional<std::pair<int, std::string>> ParsePortOption(std::string_view arg);

// Gives the devices numbers 1.. in the order found, up to 64.
void NumberDevices(PortTable& table, const std::vector<std::string>& devices);

// The present ports: those whose device the probe can open, and those named open.
std::vector<int> PresentPorts(const PortTable& table,
                              const std::function<bool(const std::string&)>& probe,
                              const std::vector<int>& openPorts = {});

}  // namespace vadrix
