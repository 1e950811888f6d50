#include "channel/PortTable.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>

#include "common/FileWrite.h"

namespace vadrix {
namespace {

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::optional<int> ParsePortNumber(std::string_view s) {
    int n = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    if (ec != std::errc() || end != s.data() + s.size() || n < 1 || n > kMaxPortNumber)
        return std::nullopt;
    return n;
}

// "N path" with blanks or tabs between; the path may not be empty.
std::optional<std::pair<int, std::string>> ParseLine(std::string_view line) {
    const auto gap = line.find_first_of(" \t");
    if (gap == std::string_view::npos) return std::nullopt;
    const auto number = ParsePortNumber(line.substr(0, gap));
    const std::string_view path = Trim(line.substr(gap));
    if (!number || path.empty()) return std::nullopt;
    return std::make_pair(*number, std::string(path));
}

}  // namespace

std::vector<int> PortTable::Parse(std::string_view text) {
    std::vector<int> bad;
    int lineNo = 0;
    while (!text.empty()) {
        const auto eol = text.find('\n');
        const std::string_view raw = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        ++lineNo;
        const std::string_view line = Trim(raw);
        if (line.empty() || line.front() == '#') continue;
        if (auto entry = ParseLine(line))
            entries_[entry->first] = std::move(entry->second);
        else
            bad.push_back(lineNo);
    }
    return bad;
}

std::string PortTable::Format() const {
    std::string out = "# port number and device; edit freely, --port N=/dev/path overrides\n";
    for (const auto& [port, path] : entries_) out += std::to_string(port) + ' ' + path + '\n';
    return out;
}

bool PortTable::Load(const std::filesystem::path& file, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return true;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = file.string() + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    Parse(text.str());
    return true;
}

bool PortTable::Save(const std::filesystem::path& file, std::string& error) const {
    if (!WriteWholeFile(file, Format())) {
        error = file.string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void PortTable::Set(int port, std::string path) {
    if (port >= 1 && port <= kMaxPortNumber) entries_[port] = std::move(path);
}

void PortTable::Override(int port, std::string path) {
    if (port >= 1 && port <= kMaxPortNumber) overrides_[port] = std::move(path);
}

std::string PortTable::DeviceOf(int port) const {
    if (auto it = overrides_.find(port); it != overrides_.end()) return it->second;
    if (auto it = entries_.find(port); it != entries_.end()) return it->second;
    return {};
}

std::vector<int> PortTable::Ports() const {
    std::vector<int> ports;
    for (const auto& [port, path] : entries_) ports.push_back(port);
    for (const auto& [port, path] : overrides_) ports.push_back(port);
    std::sort(ports.begin(), ports.end());
    ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
    return ports;
}

std::optional<std::pair<int, std::string>> ParsePortOption(std::string_view arg) {
    const auto eq = arg.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    const auto number = ParsePortNumber(Trim(arg.substr(0, eq)));
    const std::string_view path = Trim(arg.substr(eq + 1));
    if (!number || path.empty()) return std::nullopt;
    return std::make_pair(*number, std::string(path));
}

void NumberDevices(PortTable& table, const std::vector<std::string>& devices) {
    int port = 1;
    for (const std::string& dev : devices) {
        if (port > kMaxPortNumber) break;
        table.Set(port++, dev);
    }
}

std::vector<int> PresentPorts(const PortTable& table,
                              const std::function<bool(const std::string&)>& probe,
                              const std::vector<int>& openPorts) {
    std::vector<int> present;
    for (const int port : table.Ports()) {
        const bool open = std::find(openPorts.begin(), openPorts.end(), port) != openPorts.end();
        if (open || probe(table.DeviceOf(port))) present.push_back(port);
    }
    for (const int port : openPorts)
        if (port >= 1 && port <= kMaxPortNumber &&
            std::find(present.begin(), present.end(), port) == present.end())
            present.push_back(port);
    std::sort(present.begin(), present.end());
    return present;
}

}  // namespace vadrix
