#include "runtime/PortScan.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <system_error>

namespace vadrix {
namespace {

// The number at the end of a device name, for ordering ttyS2 before ttyS10.
long TrailingNumber(const std::string& name) {
    std::size_t i = name.size();
    while (i > 0 && std::isdigit(static_cast<unsigned char>(name[i - 1]))) --i;
    return i == name.size() ? -1 : std::stol(name.substr(i));
}

std::vector<std::string> DevicesWithPrefix(const std::filesystem::path& dir,
                                           const std::string& prefix) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0 && name.size() > prefix.size() &&
            TrailingNumber(name) >= 0 && name.size() - prefix.size() <= 4)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return TrailingNumber(a) < TrailingNumber(b);
    });
    std::vector<std::string> paths;
    for (const std::string& n : names) paths.push_back((dir / n).string());
    return paths;
}

}  // namespace

std::vector<std::string> ListSerialDevices(const std::filesystem::path& devDir) {
    std::vector<std::string> all;
    for (const char* prefix : {"ttyUSB", "ttyACM", "ttyS"}) {
        const auto group = DevicesWithPrefix(devDir, prefix);
        all.insert(all.end(), group.begin(), group.end());
    }
    return all;
}

bool ProbeSerialDevice(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    // A UART slot without hardware often opens but is no terminal.
    struct termios t {};
    const bool ok = ::tcgetattr(fd, &t) == 0;
    ::close(fd);
    return ok;
}

bool LoadPortTable(const std::filesystem::path& dataDir, PortTable& table, std::string& error) {
    const auto file = dataDir / kPortTableFileName;
    std::error_code ec;
    if (std::filesystem::exists(file, ec)) return table.Load(file, error);
    std::vector<std::string> present;
    for (const std::string& dev : ListSerialDevices())
        if (ProbeSerialDevice(dev)) present.push_back(dev);
    NumberDevices(table, present);
    return table.Save(file, error);
}

std::vector<int> ScanPorts(const PortTable& table, const std::vector<int>& openPorts) {
    return PresentPorts(table, ProbeSerialDevice, openPorts);
}

}  // namespace vadrix
