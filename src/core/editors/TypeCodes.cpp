#include "editors/TypeCodes.h"

#include <cctype>

#include "common/TextIds.h"
#include "editors/NumberText.h"

namespace vadrix {

namespace {

// Characters from..to (1-based, inclusive) as a whole number in [lo, hi].
std::optional<std::int64_t> NumberAt(std::string_view s, std::size_t from, std::size_t to,
                                     std::int64_t lo, std::int64_t hi) {
    if (s.size() < from) return std::nullopt;
    return ParseIntInRange(TrimBlanks(s.substr(from - 1, to - from + 1)), lo, hi);
}

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

}  // namespace

TypeTemplate ParseTypeTemplate(std::string_view text) {
    TypeTemplate t;
    if (const auto v = NumberAt(text, 1, 1, 0, 3)) t.Da = static_cast<std::uint8_t>(*v);
    if (const auto v = NumberAt(text, 3, 4, 0, 7)) t.Lg = static_cast<std::uint8_t>(*v);
    if (const auto v = NumberAt(text, 6, 10, 0, 1023)) t.TelNr = static_cast<std::uint16_t>(*v);
    for (std::size_t i = 0; i < t.B.size(); ++i) {
        const std::size_t at = 14 + 2 * i;
        if (text.size() < at + 1) break;
        const std::string pair = "$" + std::string(text.substr(at - 1, 2));
        const auto v = ParseIntInRange(pair, 0, 255);
        t.B[i] = v ? static_cast<std::uint8_t>(*v) : 0;
    }
    return t;
}

TypeTemplate TypeTemplateOf(const Context& ctx, int type) {
    return ParseTypeTemplate(ctx.Txt(txt::kTypeTemplateBase + type));
}

void ApplyTypeTemplate(const TypeTemplate& t, int type, TSendEntry& e) {
    e.TelNr = t.TelNr;
    e.Lg = t.Lg;
    for (std::size_t i = 0; i < t.B.size(); ++i) e.B[i] = t.B[i];
    e.Da = t.Da;
    e.Typ = static_cast<std::int8_t>(type);
}

TypeView TypeViewOf(int type, int templateLg) {
    TypeView v;
    if (type >= kTypeFreeBits) {
        v.memo = true;
        v.groupA = v.groupB = false;
        v.memoHint = type == kTypeFreeBits ? 801 : 802;
    } else if (type == 44 || type == 76) {
        // Request-only types: no entry fields; the station and function code get own labels.
        v.groupB = false;
        v.stationLabel = 245;
        v.functionLabel = 246;
    }
    v.infoFields = templateLg <= 3 ? 2 : templateLg <= 5 ? 5 : 9;
    return v;
}

std::string_view TypeListName(const Context& ctx, int type) {
    if (type == kTypeFreeBits) return ctx.Txt(txt::kTypeFreeBits);
    if (type == kTypeLevelWords) return ctx.Txt(txt::kTypeLevelSequence);
    return ctx.Txt(txt::kTypeNameBase + type);
}

bool ApplyTypeChange(const Context& ctx, TSendTelegram& working, int& previousType, int type) {
    if (type < 0 || type == previousType) return false;
    const bool filling = previousType == -1;
    previousType = type;
    // Filling the form shows a stored telegram: its own name and entry stand.
    if (filling) return true;
    TSendEntry& e = working.Head.Entry;
    const std::uint8_t akt = e.Akt;
    const std::uint8_t sys = e.Sys;
    ApplyTypeTemplate(TypeTemplateOf(ctx, type), type, e);
    e.Akt = akt;
    e.Sys = sys;
    working.Head.Bez.assign(TypeListName(ctx, type).substr(0, 27));
    return true;
}

std::string TypeShortName(const Context& ctx, int type) {
    const std::string_view name = ctx.Txt(txt::kTypeNameBase + type);
    return name.size() < 2 ? std::string() : std::string(name.substr(1, 4));
}

std::optional<int> LookupTypeCode(std::string_view code, std::string_view codesText) {
    std::string c;
    for (char ch : code) c += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (c.size() < 3) return std::nullopt;
    // The codes stand two characters each, so only odd positions can match.
    int group = -1;
    for (std::size_t i = 0; i + 1 < codesText.size() && i < 16; i += 2) {
        if (codesText.substr(i, 2) != std::string_view(c).substr(0, 2)) continue;
        const std::size_t p = i + 1;
        group = static_cast<int>(p <= 7 ? (p - 1) / 2 : (p - 9) / 2);
        break;
    }
    if (group < 0 || !IsDigit(c[2])) return std::nullopt;
    int n = c[2] - '0';
    std::size_t used = 3;
    if (c.size() > 3 && IsDigit(c[3])) {
        n = n * 10 + (c[3] - '0');
        used = 4;
    }
    constexpr int kMaxNumber[4] = {17, 7, 20, 32};
    constexpr int kFirstType[4] = {0, 18, 25, 45};
    if (n < 1 || n > kMaxNumber[group]) return std::nullopt;
    if (group == 0) {
        if (n == 6) {
            // Number 6 of group 0 comes in two variants, 6A and 6B.
            if (c.size() <= used || (c[used] != 'A' && c[used] != 'B')) return std::nullopt;
            if (c[used] == 'B') n = 7;
        } else if (n >= 7) {
            ++n;
        }
    }
    return n - 1 + kFirstType[group];
}

std::optional<int> ParseTypeCell(std::string_view text, std::string_view codesText) {
    const std::string_view t = TrimBlanks(text);
    if (t.empty()) return std::nullopt;
    if (IsDigit(t.front())) {
        const auto v = ParseIntInRange(t, 0, kLastListType);
        if (!v) return std::nullopt;
        return static_cast<int>(*v);
    }
    return LookupTypeCode(t, codesText);
}

}  // namespace vadrix
