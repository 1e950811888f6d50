#include "MonitorScenario.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <sstream>

namespace vadrix::sim {
namespace {

constexpr double kMinPeriodS = 0.05;
constexpr double kMaxPeriodS = 86400;
constexpr int kMaxObject = 1023;
// The special time telegram carries a telegram number below this.
constexpr int kTimeObjectLimit = 512;

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::optional<long> Whole(std::string_view s, long lo, long hi) {
    long v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || v < lo || v > hi) return std::nullopt;
    return v;
}

std::optional<std::uint32_t> PeriodMs(std::string_view s) {
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || !(v >= kMinPeriodS) || v > kMaxPeriodS)
        return std::nullopt;
    return static_cast<std::uint32_t>(std::lround(v * 1000));
}

std::optional<int> LineOf(std::string_view s) {
    const std::string w = Lower(s);
    if (w == "e1" || w == "1") return kLineE1;
    if (w == "s" || w == "2") return kLineS;
    if (w == "e2" || w == "3") return kLineE2;
    return std::nullopt;
}

std::optional<int> DataKindOf(std::string_view s) {
    static constexpr const char* kNames[4] = {"org", "spo", "zyk", "abg"};
    const std::string w = Lower(s);
    for (int i = 0; i < 4; ++i)
        if (w == kNames[i]) return i;
    if (const auto n = Whole(w, 0, 3)) return static_cast<int>(*n);
    return std::nullopt;
}

// One statement's words and the reading position; every failure leaves its message.
class Statement {
  public:
    explicit Statement(std::vector<std::string> words) : words_(std::move(words)) {}

    bool AtEnd() const { return pos_ >= words_.size(); }
    std::string Next() { return AtEnd() ? std::string() : words_[pos_++]; }
    // The value word after a key; fails when there is none.
    bool Value(const std::string& key, std::string& out) {
        if (AtEnd()) return Fail("'" + key + "' needs a value");
        out = Next();
        return true;
    }
    bool Fail(std::string message) {
        if (error_.empty()) error_ = std::move(message);
        return false;
    }
    const std::string& Error() const { return error_; }

  private:
    std::vector<std::string> words_;
    std::size_t pos_ = 0;
    std::string error_;
};

bool ReadLine(Statement& st, MonitorScenario& out) {
    const auto line = LineOf(st.Next());
    if (!line) return st.Fail("a line is E1, S or E2");
    LineSetting& set = out.Line(*line);
    while (!st.AtEnd()) {
        const std::string key = Lower(st.Next());
        std::string v;
        if (!st.Value(key, v)) return false;
        if (key == "rate") {
            const auto n = Whole(v, kMinBitRate, kMaxBitRate);
            if (!n) return st.Fail("a bit rate is 25 to 2400, not '" + v + "'");
            set.bitRate = static_cast<int>(*n);
        } else if (key == "check") {
            const auto n = Whole(v, 0, 2);
            if (!n) return st.Fail("a check code is 0, 1 or 2, not '" + v + "'");
            set.checkCode = static_cast<int>(*n);
        } else if (key == "address") {
            const auto n = Whole(v, 0, 2);
            if (!n) return st.Fail("address bytes are 0, 1 or 2, not '" + v + "'");
            set.addressBytes = static_cast<int>(*n);
        } else {
            return st.Fail("unknown line setting '" + key + "'");
        }
    }
    return true;
}

bool ReadStation(Statement& st, MonitorScenario& out) {
    if (out.stations.size() >= kMaxStations) return st.Fail("too many stations");
    const std::string a = st.Next();
    const auto address = Whole(a, 1, 127);
    if (!address) return st.Fail("a station address is 1 to 127, not '" + a + "'");
    std::string w = st.Next();
    if (Lower(w) == "on") w = st.Next();
    const auto line = LineOf(w);
    if (!line) return st.Fail("the station's line is E1, S or E2");
    if (!st.AtEnd()) return st.Fail("unexpected '" + st.Next() + "'");
    out.stations.push_back({static_cast<int>(*address), *line, {}});
    return true;
}

std::optional<ItemKind> ItemKindOf(const std::string& w) {
    if (w == "indications") return ItemKind::kIndications;
    if (w == "measured") return ItemKind::kMeasured;
    if (w == "counter") return ItemKind::kCounter;
    if (w == "time") return ItemKind::kTime;
    return std::nullopt;
}

int DefaultDataKind(ItemKind what) {
    switch (what) {
        case ItemKind::kMeasured:
            return 2;  // zyk: sent cyclically
        case ItemKind::kCounter:
            return 1;
        default:
            return 0;
    }
}

bool ReadItem(Statement& st, ItemKind what, MonitorScenario& out, std::size_t& items) {
    if (out.stations.empty()) return st.Fail("a telegram needs a 'station' before it");
    if (++items > kMaxItems) return st.Fail("too many telegrams");
    ScenarioItem item;
    item.what = what;
    item.dataKind = DefaultDataKind(what);
    const std::string o = st.Next();
    const int limit = what == ItemKind::kTime ? kTimeObjectLimit - 1 : kMaxObject;
    const auto object = Whole(o, 0, limit);
    if (!object)
        return st.Fail("the telegram number is 0 to " + std::to_string(limit) + ", not '" + o +
                       "'");
    item.object = static_cast<int>(*object);
    bool period = false;
    while (!st.AtEnd()) {
        const std::string key = Lower(st.Next());
        std::string v;
        if (key == "bcd" && what == ItemKind::kCounter) {
            item.bcd = true;
            continue;
        }
        if (!st.Value(key, v)) return false;
        if (key == "every") {
            const auto ms = PeriodMs(v);
            if (!ms) return st.Fail("'every' takes 0.05 to 86400 seconds, not '" + v + "'");
            item.periodMs = *ms;
            period = true;
        } else if (key == "kind" && what != ItemKind::kTime) {
            const auto k = DataKindOf(v);
            if (!k) return st.Fail("a kind is org, spo, zyk or abg, not '" + v + "'");
            item.dataKind = *k;
        } else if (key == "values" && what == ItemKind::kMeasured) {
            if (v != "2" && v != "4") return st.Fail("'values' is 2 or 4, not '" + v + "'");
            item.values = v == "2" ? 2 : 4;
        } else {
            return st.Fail("unknown setting '" + key + "'");
        }
    }
    if (!period) return st.Fail("a telegram needs 'every SECONDS'");
    out.stations.back().items.push_back(item);
    return true;
}

bool ReadStatement(Statement& st, MonitorScenario& out, std::size_t& items) {
    const std::string head = Lower(st.Next());
    if (head == "line") return ReadLine(st, out);
    if (head == "station") return ReadStation(st, out);
    if (const auto what = ItemKindOf(head)) return ReadItem(st, *what, out, items);
    return st.Fail("unknown statement '" + head + "'");
}

}  // namespace

const char* LineName(int line) {
    switch (line) {
        case kLineE1:
            return "E1";
        case kLineS:
            return "S";
        case kLineE2:
            return "E2";
        default:
            return "?";
    }
}

bool ParseScenario(std::string_view text, MonitorScenario& out, std::string& error) {
    MonitorScenario scenario;
    std::size_t items = 0;
    std::istringstream in{std::string(text)};
    std::string raw;
    for (int number = 1; std::getline(in, raw); ++number) {
        if (const auto hash = raw.find('#'); hash != std::string::npos) raw.erase(hash);
        std::istringstream split(raw);
        std::vector<std::string> words;
        for (std::string w; split >> w;) words.push_back(w);
        if (words.empty()) continue;
        Statement st(std::move(words));
        if (!ReadStatement(st, scenario, items)) {
            error = "line " + std::to_string(number) + ": " + st.Error();
            return false;
        }
    }
    out = std::move(scenario);
    return true;
}

const char* const kDefaultScenario =
    "# The central station on the send line, two outstations on the receivers.\n"
    "line E1 rate 200 check 0\n"
    "line S  rate 200 check 0\n"
    "line E2 rate 200 check 0\n"
    "station 1 on S\n"
    "  time 103 every 10\n"
    "  indications 781 every 4\n"
    "station 5 on E1\n"
    "  indications 781 every 3\n"
    "  measured 600 every 1.5\n"
    "  counter 400 every 8\n"
    "station 7 on E2\n"
    "  indications 1016 every 5 kind abg\n"
    "  measured 601 every 2 values 2\n"
    "  counter 401 every 12 bcd\n";

const char* const kScenarioHelp =
    "Scenario file: one statement a line; '#' begins a comment.\n"
    "  line E1|S|E2 [rate BITS] [check 0|1|2] [address 0|1|2]\n"
    "      a line's bit rate (25..2400, default 200), check code (two parity bits, 10 or 16\n"
    "      check bits; default 0) and address bytes (default 1); the program's configuration\n"
    "      telegram sets bit rates and check codes anew\n"
    "  station ADDRESS on E1|S|E2\n"
    "      a station (1..127) sending on that line; the telegrams below are its own\n"
    "  indications OBJECT every SECONDS [kind K]   32 indications, one changes each time\n"
    "  measured OBJECT every SECONDS [values 2|4] [kind K]   12-bit measured values\n"
    "  counter OBJECT every SECONDS [bcd] [kind K]  a count that steps on each time\n"
    "  time OBJECT every SECONDS   the special time telegram (OBJECT below 512)\n"
    "  OBJECT is the telegram number 0..1023; SECONDS 0.05..86400; K is org, spo, zyk or abg\n"
    "  (defaults: org; measured values zyk; counters spo).\n";

}  // namespace vadrix::sim
