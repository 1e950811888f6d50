#include "interpret/Descriptions.h"

#include <algorithm>
#include <fstream>

#include "app/Context.h"
#include "common/TextFormat.h"
#include "common/TextIds.h"

namespace vadrix {

namespace {

constexpr int kMaxTelNo = 1023;
constexpr int kMaxColour = 19;
constexpr int kMaxListedErrors = 201;
constexpr int kErrorsPerRow = 10;

// Entry layout in the text buffer.
constexpr std::size_t kEntryFont = 0;
constexpr std::size_t kEntryBackground = 1;
constexpr std::size_t kEntryClass = 2;
constexpr std::size_t kEntryNameLen = 3;
constexpr std::size_t kEntryName = 4;

std::uint32_t Key(int telNo, int dataKind, bool sequenced) {
    return static_cast<std::uint32_t>(telNo & 0xFFFF) |
           (static_cast<std::uint32_t>(dataKind & 0xFF) << 16) |
           (static_cast<std::uint32_t>(sequenced ? 1 : 0) << 24);
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// A decimal number from lo to hi, blanks around it ignored; -1 for anything else.
int ParseNumber(std::string_view s, int lo, int hi) {
    s = Trim(s);
    if (s.empty() || s.size() > 6) return -1;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v >= lo && v <= hi ? v : -1;
}

// "a" or "a-b": both parts must be numbers lo..hi; false otherwise.
bool ParsePair(std::string_view s, int hi, int& first, int& second, bool secondOptional) {
    const std::size_t dash = s.find('-');
    if (dash == std::string_view::npos) {
        first = ParseNumber(s, 0, hi);
        second = secondOptional ? 0 : first;
        return first >= 0;
    }
    first = ParseNumber(s.substr(0, dash), 0, hi);
    second = ParseNumber(s.substr(dash + 1), 0, hi);
    return first >= 0 && second >= 0;
}

struct Group {
    int base;
    int max;
};
constexpr Group kGroups[4] = {{0, 17}, {18, 7}, {25, 20}, {45, 32}};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The class of a class code: a pair of letters from the abbreviation list and a number;
// 0 when the code is empty, -1 when it is faulty.
int ParseClassCode(std::string_view field, std::string_view abbreviations) {
    const std::string_view t = Trim(field);
    if (t.empty()) return 0;
    std::string code(t);
    for (char& c : code)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (code.size() < 3) return -1;
    int position = 0;  // 1-based, odd
    for (std::size_t p = 0; p + 1 < abbreviations.size(); p += 2) {
        if (abbreviations[p] == code[0] && abbreviations[p + 1] == code[1]) {
            position = static_cast<int>(p) + 1;
            break;
        }
    }
    if (position == 0) return -1;
    while (position > 8) position -= 8;
    const int g = position / 2;
    if (!IsDigit(code[2])) return -1;
    int n = code[2] - '0';
    std::size_t used = 3;
    if (code.size() > 3 && IsDigit(code[3])) {
        n = n * 10 + (code[3] - '0');
        used = 4;
    }
    if (n < 1 || n > kGroups[g].max) return -1;
    if (g == 0 && n >= 7) ++n;
    if (g == 0 && n == 6) {
        if (code.size() <= 3 || (code[3] != 'A' && code[3] != 'B')) return -1;
        if (code[3] == 'B') n = 7;
        used = 4;
    }
    if (used != code.size()) return -1;
    return n + kGroups[g].base;
}

struct ParsedLine {
    bool sequenced = false;
    int dataKind = 0;
    int first = 0;
    int last = 0;
    std::uint8_t font = 0;
    std::uint8_t background = 0;
    std::string_view name;
    int cls = 0;
};

// The fields of a line that is not a comment; false when the line is faulty.
bool ParseLine(std::string_view line, char sep, std::string_view abbreviations, ParsedLine& p) {
    std::string_view fields[6];
    int count = 0;
    while (count < 6) {
        const std::size_t at = line.find(sep);
        // The class is the last field: what follows a further separator is ignored.
        fields[count++] = line.substr(0, at);
        if (at == std::string_view::npos) break;
        line.remove_prefix(at + 1);
    }
    const int seq = ParseNumber(fields[0], 0, 1);
    p.dataKind = ParseNumber(fields[1], 0, 3);
    if (seq < 0 || p.dataKind < 0) return false;
    p.sequenced = seq == 1;
    if (!ParsePair(fields[2], kMaxTelNo, p.first, p.last, false)) return false;
    const std::string_view colours = Trim(fields[3]);
    if (!colours.empty()) {
        int font = 0;
        int background = 0;
        if (!ParsePair(colours, kMaxColour, font, background, true)) return false;
        p.font = static_cast<std::uint8_t>(font);
        p.background = static_cast<std::uint8_t>(background);
    }
    p.name = fields[4].substr(0, std::min(fields[4].size(), Descriptions::kMaxName));
    if (!p.name.empty() && p.name.back() == '\r') p.name.remove_suffix(1);
    p.cls = ParseClassCode(fields[5], abbreviations);
    return p.cls >= 0;
}

// The line numbers of the faulty lines, rows of ten, each row led by its text.
class ErrorList {
  public:
    explicit ErrorList(std::string_view rowLead) : rowLead_(rowLead) {}
    void Add(int lineNo) {
        if (count_ < kMaxListedErrors) {
            if (count_ % kErrorsPerRow == 0) {
                list_ += "\r\n";
                list_ += rowLead_;
            } else {
                list_ += ",  ";
            }
            AppendInt(list_, lineNo);
        }
        ++count_;
    }
    int count() const { return count_; }
    const std::string& list() const { return list_; }

  private:
    std::string_view rowLead_;
    std::string list_;
    int count_ = 0;
};

}  // namespace

int Descriptions::Find(int telNo, int dataKind, bool sequenced) const {
    const std::uint32_t key = Key(telNo, dataKind, sequenced);
    const auto it =
        std::lower_bound(index_.begin(), index_.end(), key,
                         [](const auto& pair, std::uint32_t k) { return pair.first < k; });
    if (it == index_.end() || it->first != key) return -1;
    return static_cast<int>(it->second);
}

std::string_view Descriptions::Name(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) + kEntryName > buffer_.size()) return {};
    const std::size_t at = static_cast<std::size_t>(index);
    const std::size_t len = static_cast<std::uint8_t>(buffer_[at + kEntryNameLen]);
    if (at + kEntryName + len > buffer_.size()) return {};
    return {buffer_.data() + at + kEntryName, len};
}

int Descriptions::Class(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) + kEntryName > buffer_.size()) return 0;
    return static_cast<std::uint8_t>(buffer_[static_cast<std::size_t>(index) + kEntryClass]);
}

DescColourPair Descriptions::Colours(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) + kEntryName > buffer_.size()) return {};
    const std::size_t at = static_cast<std::size_t>(index);
    return {static_cast<std::uint8_t>(buffer_[at + kEntryFont]),
            static_cast<std::uint8_t>(buffer_[at + kEntryBackground])};
}

bool LoadDescriptions(Context& ctx, Descriptions& d, const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    const std::string_view sepText = ctx.Txt(txt::kFieldSeparator);
    const char sep = sepText.empty() ? ';' : sepText.front();
    const std::string_view abbreviations = ctx.Txt(txt::kClassCodes);

    d.buffer_.clear();
    d.index_.clear();
    ErrorList errors(ctx.Txt(txt::kDescErrorRow));
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        const std::string_view l(line);
        if (l.find(sep) == std::string_view::npos || l.front() == sep) continue;  // comment
        ParsedLine p;
        if (!ParseLine(l, sep, abbreviations, p)) {
            errors.Add(lineNo);
            continue;
        }
        if (p.last < p.first || d.index_.size() >= Descriptions::kMaxPairs) continue;
        // One entry serves all numbers of a range: their entries would be equal anyway.
        const auto at = static_cast<std::uint32_t>(d.buffer_.size());
        d.buffer_.push_back(static_cast<char>(p.font));
        d.buffer_.push_back(static_cast<char>(p.background));
        d.buffer_.push_back(static_cast<char>(p.cls));
        d.buffer_.push_back(static_cast<char>(p.name.size()));
        d.buffer_.insert(d.buffer_.end(), p.name.begin(), p.name.end());
        for (int n = p.first; n <= p.last && d.index_.size() < Descriptions::kMaxPairs; ++n)
            d.index_.emplace_back(Key(n, p.dataKind, p.sequenced), at);
    }
    StoreFileName(ctx.settings.DescriptionFile, file);
    if (errors.count() > 0) {
        std::string msg =
            FormatText(ctx.Txt(txt::kDescErrorsFormat), {file.string(), errors.count()});
        msg += errors.list();
        ctx.ui.ShowMessage(msg, MessageKind::kError, MessageButtons::kOk);
    }
    std::stable_sort(d.index_.begin(), d.index_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return true;
}

namespace {

int SequencedNonZeroKind(int t, int kind, int l, int type17) {
    switch (l) {
        case 2:
            return 2;
        case 3:
            return 7;
        case 4:
            if (t < 512) return 3;
            if (t == 1016 && kind == 3) return 40;
            if (t == 1020 && kind == 3) return 41;
            return 10;
        case 5:
            return t < 512 ? 5 : 8;
        case 6:
            if (t < 512) return 4;
            return type17 == 1 ? 17 : 11;
        case 7:
            return type17 == 1 ? 17 : 9;
        default:
            return -1;
    }
}

int UnsequencedNonZeroKind(int t, int l) {
    switch (l) {
        case 0:
            return 17 + (t < 256 ? 1 : 6);
        case 2:
            return 17 + 5;
        case 3:
            return 17 + 2;
        case 4:
            return 17 + 7;
        case 5:
            return 17 + 3;
        case 7:
            return 17 + 4;
        default:
            return 17;
    }
}

int UnsequencedKindZero(int t, int l) {
    switch (l) {
        case 0:
            switch (t) {
                case 512:
                    return 45;
                case 519:
                    return 48;
                case 520:
                    return 49;
                case 768:
                    return 58;
                case 769:
                    return 59;
                case 770:
                    return 60;
                case 780:
                    return 67;
                default:
                    return t >= 790 && t <= 796 ? t - 721 : 44;
            }
        case 2:
            switch (t) {
                case 513:
                    return 46;
                case 514:
                    return 47;
                case 519:
                    return 48;
                case 521:
                    return 50;
                case 524:
                    return 53;
                case 525:
                    return 54;
                case 526:
                    return 55;
                case 530:
                    return 56;
                case 531:
                    return 57;
                case 772:
                    return 64;
                case 779:
                    return 66;
                case 781:
                    return 68;
                default:
                    return 44;
            }
        case 4:
            switch (t) {
                case 522:
                    return 51;
                case 523:
                    return 52;
                case 770:
                    return 61;
                case 773:
                    return 65;
                default:
                    return 44;
            }
        case 5:
            return 63;
        case 6:
            return 62;
        default:
            return 44;
    }
}

int SequencedKindZero(int t, int l) {
    switch (l) {
        case 0:
            switch (t) {
                case 512:
                    return 25;
                case 768:
                    return 29;
                case 769:
                    return 30;
                case 770:
                    return 31;
                default:
                    return 24;
            }
        case 2:
            switch (t) {
                case 772:
                    return 34;
                case 1022:
                    return 42;
                case 1023:
                    return 43;
                default:
                    return 24;
            }
        case 4:
            switch (t) {
                case 515:
                    return 26;
                case 767:
                    return 28;
                case 770:
                    return 32;
                case 773:
                    return 35;
                case 781:
                    return 37;
                case 1012:
                    return 39;
                case 1016:
                    return 40;
                case 1020:
                    return 41;
                default:
                    return 24;
            }
        case 5:
            return 5;
        case 6:
            if (t < 512) return 6;
            switch (t) {
                case 515:
                    return 27;
                case 770:
                    return 33;
                case 780:
                    return 36;
                case 782:
                    return 38;
                default:
                    return 24;
            }
        default:
            return 24;
    }
}

}  // namespace

int DeriveClass(int telNo, int dataKind, int lengthCode, bool sequenced, int type17Option) {
    if (dataKind != 0)
        return sequenced ? SequencedNonZeroKind(telNo, dataKind, lengthCode, type17Option)
                         : UnsequencedNonZeroKind(telNo, lengthCode);
    return sequenced ? SequencedKindZero(telNo, lengthCode)
                     : UnsequencedKindZero(telNo, lengthCode);
}

}  // namespace vadrix
