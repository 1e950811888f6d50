#include "params/ChannelParams.h"

#include <algorithm>
#include <cctype>

#include "editors/NumberText.h"

namespace vadrix {

int LockTime(int mv, int bitRate, int adjust) {
    if (bitRate <= 0) return 10;  // no rate yet: a short fixed lock time
    const std::int64_t n = static_cast<std::int64_t>(mv + 20) * 300 + 1;
    std::int64_t q = n / bitRate;
    const std::int64_t twice = 2 * (n % bitRate);
    if (twice > bitRate || (twice == bitRate && q % 2 != 0)) ++q;
    return static_cast<int>(q) + adjust;
}

namespace {

bool IsNumberChar(char c, char extra) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0 || (extra != '\0' && c == extra);
}

std::vector<std::string_view> NumberRuns(std::string_view text, char extra) {
    std::vector<std::string_view> runs;
    std::size_t i = 0;
    while (i < text.size()) {
        if (!IsNumberChar(text[i], extra)) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < text.size() && IsNumberChar(text[j], extra)) ++j;
        runs.push_back(text.substr(i, j - i));
        i = j;
    }
    return runs;
}

}  // namespace

StationTextResult ParseStationText(std::string_view text, char numberExtraChar,
                                   std::uint8_t maxStation, std::uint8_t noStation) {
    StationTextResult result;
    const auto runs = NumberRuns(TrimBlanks(text), numberExtraChar);
    const std::size_t taken = std::min<std::size_t>(runs.size(), kMaxStationNumbers);
    for (std::size_t i = 0; i < taken; ++i) {
        const auto v = ParseWholeInt(runs[i]);
        if (v && *v > noStation && *v <= maxStation)
            result.stations.push_back(static_cast<std::uint16_t>(*v));
        else
            result.valid = false;
    }
    return result;
}

void StoreStations(TChannelBlock& block, const std::vector<std::uint16_t>& stations,
                   std::uint8_t noStation) {
    const std::size_t n = std::min<std::size_t>(stations.size(), kMaxStationNumbers);
    std::fill(std::begin(block.StationAddr), std::end(block.StationAddr), std::uint16_t{0});
    for (std::size_t i = 0; i < n; ++i) block.StationAddr[i] = stations[i];
    block.StationAddr[n] = noStation;
    block.StationCount = static_cast<std::int32_t>(n);
}

std::string FormatStationText(const TChannelBlock& block) {
    std::string s;
    const int n = std::clamp<int>(block.StationCount, 0, kMaxStationNumbers);
    for (int i = 0; i < n; ++i) s += " " + std::to_string(block.StationAddr[i]);
    return s;
}

std::uint32_t ComNumberFromItem(std::string_view item) {
    if (item.size() < 6) return 0;
    const auto v = ParseIntInRange(TrimBlanks(item.substr(5, 3)), 0, 0xFFFF);
    return v ? static_cast<std::uint32_t>(*v) : 0;
}

std::vector<std::string> PortListItems(std::string_view noPortItem, std::string_view prefix,
                                       const std::vector<int>& presentPorts,
                                       std::uint32_t otherPort) {
    std::vector<std::string> items{std::string(noPortItem)};
    for (int p : presentPorts)
        if (p > 0 && static_cast<std::uint32_t>(p) != otherPort)
            items.push_back(std::string(prefix) + std::to_string(p));
    return items;
}

}  // namespace vadrix
