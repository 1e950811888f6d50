#include "editors/NumberText.h"

#include <charconv>

namespace vadrix {

std::string_view TrimBlanks(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

std::optional<std::int64_t> ParseWholeInt(std::string_view s) {
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (!s.empty() && s.front() == '$') {
        base = 16;
        s.remove_prefix(1);
    }
    if (s.empty()) return std::nullopt;
    std::uint64_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc{} || end != s.data() + s.size()) return std::nullopt;
    // Hexadecimal text may spell the whole 32-bit pattern, decimal text a signed value.
    const std::uint64_t limit = base == 16 ? 0xFFFFFFFFull : 0x80000000ull;
    if (v > limit) return std::nullopt;
    const auto value = static_cast<std::int64_t>(v);
    return negative ? -value : value;
}

std::optional<std::int64_t> ParseIntInRange(std::string_view s, std::int64_t lo, std::int64_t hi) {
    const auto v = ParseWholeInt(s);
    if (!v || *v < lo || *v > hi) return std::nullopt;
    return v;
}

}  // namespace vadrix
