#pragma once
// What the simulated telecontrol link carries: the lines' starting parameters, the stations
// on each line and what each of them sends how often. Read from a small text format.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vadrix::sim {

// The monitor device's lines, numbered as its envelope frames number them.
inline constexpr int kLineE1 = 1;
inline constexpr int kLineS = 2;
inline constexpr int kLineE2 = 3;
inline constexpr int kLineCount = 3;
const char* LineName(int line);

inline constexpr int kMinBitRate = 25;
inline constexpr int kMaxBitRate = 2400;

struct LineSetting {
    int bitRate = 200;
    int checkCode = 0;     // 0, 1, 2: two parity bits, 10 or 16 check bits
    int addressBytes = 1;  // 0, 1 or 2 address bytes before the control byte
};

enum class ItemKind { kIndications, kMeasured, kCounter, kTime };

// One telegram a station sends again and again.
struct ScenarioItem {
    ItemKind what = ItemKind::kIndications;
    int object = 0;    // telegram number 0..1023
    int dataKind = 0;  // 0 org, 1 spo, 2 zyk, 3 abg
    std::uint32_t periodMs = 1000;
    int values = 4;    // measured values: 2 or 4
    bool bcd = false;  // counters: seven BCD digits instead of a binary count
};

struct ScenarioStation {
    int address = 1;
    int line = kLineE1;
    std::vector<ScenarioItem> items;
};

struct MonitorScenario {
    LineSetting lines[kLineCount];  // E1, S, E2
    std::vector<ScenarioStation> stations;

    LineSetting& Line(int line) { return lines[line - 1]; }
    const LineSetting& Line(int line) const { return lines[line - 1]; }
};

inline constexpr std::size_t kMaxStations = 64;
inline constexpr std::size_t kMaxItems = 256;

// False with "line N: what is wrong" for the first statement that cannot be read.
bool ParseScenario(std::string_view text, MonitorScenario& out, std::string& error);

// A lively link on all three lines: the built-in scenario.
extern const char* const kDefaultScenario;
// The format, for the command's help.
extern const char* const kScenarioHelp;

}  // namespace vadrix::sim
