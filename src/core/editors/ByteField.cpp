#include "editors/ByteField.h"

#include "editors/NumberText.h"

namespace vadrix {

namespace {

// 1-based position of c in s, 0 when it is not there.
std::size_t PositionIn(std::string_view s, char c) {
    const std::size_t p = s.find(c);
    return p == std::string_view::npos ? 0 : p + 1;
}

}  // namespace

std::string BitString(std::uint32_t v, int width, const char bitChars[2]) {
    std::string s;
    for (int i = width - 1; i >= 0; --i) s += bitChars[(v >> i) & 1];
    return s;
}

std::optional<std::uint32_t> ParseBitString(std::string_view s, std::string_view bitCharsText) {
    if (s.empty() || s.size() > 32) return std::nullopt;
    std::uint32_t v = 0;
    for (char c : s) {
        const std::size_t p = PositionIn(bitCharsText, c);
        if (p == 0) return std::nullopt;
        v = v * 2 + (p >= 4 ? 1 : 0);
    }
    return v;
}

std::optional<std::uint8_t> ParseByteField(std::string_view text, std::string_view bitCharsText,
                                           std::string_view kindsText) {
    const std::string_view t = TrimBlanks(text);
    if (t.empty()) return std::uint8_t{0};
    if (PositionIn(kindsText, t.front()) < 5 && t.size() != 8) {
        const auto v = ParseIntInRange(t, 0, 255);
        if (!v) return std::nullopt;
        return static_cast<std::uint8_t>(*v);
    }
    const auto v = ParseBitString(t, bitCharsText);
    if (!v || *v > 255) return std::nullopt;
    return static_cast<std::uint8_t>(*v);
}

}  // namespace vadrix
