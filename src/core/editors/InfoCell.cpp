#include "editors/InfoCell.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

#include "common/Bytes.h"
#include "editors/ByteField.h"
#include "editors/NumberText.h"

namespace vadrix {

namespace {

constexpr int kInfoBytes[8] = {2, 1, 2, 2, 5, 5, 9, 9};
constexpr int kMaxTokens = 9;

std::string Hex2(unsigned v) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02X", v & 0xFF);
    return buf;
}

std::uint16_t WordAt(const TSendEntry& e, int i) {
    return Le16(&e.B[i]);
}
void PutWord(TSendEntry& e, int i, std::uint16_t w) {
    PutLe16(&e.B[i], w);
}

std::optional<std::int64_t> ReadToken(std::string_view t, std::string_view bitCharsText) {
    if (t.size() == 8 || t.front() == '.' || t.front() == 'I') {
        const auto v = ParseBitString(t, bitCharsText);
        if (!v) return std::nullopt;
        return static_cast<std::int64_t>(*v);
    }
    return ParseWholeInt(t);
}

// Up to nine tokens cut at blanks; missing ones count as 0.
std::optional<std::array<std::int64_t, kMaxTokens>> ReadTokens(std::string_view text,
                                                               std::string_view bitCharsText) {
    std::array<std::int64_t, kMaxTokens> tokens{};
    std::string_view rest = TrimBlanks(text);
    for (int k = 0; k < kMaxTokens && !rest.empty(); ++k) {
        const std::size_t end = rest.find(' ');
        const std::string_view t = rest.substr(0, end);
        const auto v = ReadToken(t, bitCharsText);
        if (!v) return std::nullopt;
        tokens[static_cast<std::size_t>(k)] = *v;
        rest = end == std::string_view::npos ? std::string_view{} : TrimBlanks(rest.substr(end));
    }
    return tokens;
}

}  // namespace

InfoClassKind InfoClassOf(int type) {
    switch (type) {
        case 7:
        case 8:
        case 9:
        case 19:
        case 20:
        case 21:
            return InfoClassKind::kSigned;
        case 10:
        case 11:
        case 17:
            return InfoClassKind::kWords;
        case 16:
            return InfoClassKind::kCounter;
        default:
            return InfoClassKind::kPlain;
    }
}

int InfoByteCount(int lg) {
    return kInfoBytes[lg & 7];
}

std::string FormatInfoCell(const TSendEntry& e) {
    const int m = InfoByteCount(e.Lg) - 1;
    std::string s;
    switch (InfoClassOf(e.Typ)) {
        case InfoClassKind::kSigned:
            for (int k = 0; k < m; ++k) {
                const bool negative = ((e.B[m] >> k) & 1) != 0;
                s += std::to_string(negative ? e.B[k] - 256 : e.B[k]) + " ";
            }
            break;
        case InfoClassKind::kWords:
            for (int k = 0; k < m / 2; ++k) {
                const auto w = static_cast<std::int16_t>(WordAt(e, 2 * k) & 0xFFF0);
                s += std::to_string(w / 16) + " ";
            }
            s += "$" + Hex2(e.B[m]);
            break;
        case InfoClassKind::kCounter: {
            const std::uint32_t v = Le32(e.B);
            s = std::to_string(v & 0x0FFFFFFF) + " $" + Hex2(e.B[3] & 0xF0);
            break;
        }
        case InfoClassKind::kPlain:
            for (int k = 0; k <= m; ++k) s += "$" + Hex2(e.B[k]) + " ";
            break;
    }
    return s;
}

bool ParseInfoCell(std::string_view text, std::string_view bitCharsText, TSendEntry& e) {
    const auto read = ReadTokens(text, bitCharsText);
    if (!read) return false;
    const auto& token = *read;
    const int m = InfoByteCount(e.Lg) - 1;
    switch (InfoClassOf(e.Typ)) {
        case InfoClassKind::kCounter: {
            const auto v = static_cast<std::uint32_t>(token[0]) & 0x0FFFFFFF;
            for (int i = 0; i < 4; ++i) e.B[i] = static_cast<std::uint8_t>(v >> (8 * i));
            e.B[3] = static_cast<std::uint8_t>(e.B[3] | (token[1] & 0xF0));
            break;
        }
        case InfoClassKind::kWords:
            for (int k = 0; k <= m; k += 2) {
                const std::int64_t t = token[static_cast<std::size_t>(k / 2)];
                if (k == m) {
                    e.B[m] = static_cast<std::uint8_t>(t & 0xFF);
                    continue;
                }
                PutWord(e, k, static_cast<std::uint16_t>((t * 16) & 0xFFFF));
                // A value outside 12 bits is marked in the low nibble, which the value never uses.
                if (t < -2048 || t > 2047) e.B[k] = static_cast<std::uint8_t>(e.B[k] + 1);
            }
            break;
        case InfoClassKind::kSigned: {
            std::uint8_t signs = 0;
            for (int k = 0; k <= m; ++k) {
                const std::int64_t t = token[static_cast<std::size_t>(k)];
                e.B[k] = static_cast<std::uint8_t>(t & 0xFF);
                if (t < 0) signs = static_cast<std::uint8_t>(signs | (1u << k));
            }
            e.B[m] = signs;
            break;
        }
        case InfoClassKind::kPlain:
            for (int k = 0; k <= m; ++k)
                e.B[k] = static_cast<std::uint8_t>(token[static_cast<std::size_t>(k)] & 0xFF);
            break;
    }
    return true;
}

}  // namespace vadrix
