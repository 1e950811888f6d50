#include "editors/FreeData.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

#include "common/Bytes.h"
#include "common/TextIds.h"
#include "editors/SendControl.h"
#include "transmit/Compose.h"

namespace vadrix {

namespace {

std::string LineOfBits(std::uint8_t byte, int bits) {
    std::string s(8, ' ');
    for (int i = 0; i < bits; ++i)
        s[static_cast<std::size_t>(7 - i)] = ((byte >> i) & 1) ? '1' : '0';
    return s.substr(0, 4) + " " + s.substr(4);
}

int StoredBytes(const TSendTelegram& t, int bitsPerUnit) {
    const int count = std::max(0, t.DataCount);
    return std::min(kFreeDataBytes, (count * bitsPerUnit + 7) / 8);
}

void PutWord(TSendTelegram& t, int i, std::uint16_t w) {
    PutLe16(&t.Data[2 * i], w);
}

std::uint16_t WordAt(const TSendTelegram& t, int i) {
    return Le16(&t.Data[2 * i]);
}

std::optional<double> ReadDecimal(std::string token) {
    std::replace(token.begin(), token.end(), ',', '.');
    double v = 0;
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), v);
    if (ec != std::errc{} || end != token.data() + token.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

}  // namespace

std::string FormatFreeBits(const TSendTelegram& t) {
    std::string s;
    const int bits = std::min(std::max(0, t.DataCount), 8 * kFreeDataBytes);
    for (int i = 0; i * 8 < bits; ++i) {
        if (i > 0) s += "\r\n";
        s += LineOfBits(t.Data[i], std::min(8, bits - 8 * i));
    }
    return s;
}

void ReadFreeBits(std::string_view text, TSendTelegram& t) {
    std::memset(t.Data, 0, sizeof t.Data);
    int bytes = 0;
    int pending = 0;
    unsigned value = 0;
    for (char c : text) {
        if (c != '0' && c != '1') continue;
        if (bytes == kFreeDataBytes) break;  // further bits have no room
        value = value * 2 + (c == '1' ? 1u : 0u);
        if (++pending == 8) {
            t.Data[bytes++] = static_cast<std::uint8_t>(value);
            pending = 0;
            value = 0;
        }
    }
    if (pending > 0) t.Data[bytes] = static_cast<std::uint8_t>(value);
    t.DataCount = 8 * bytes + pending;
}

void TakeFrameAsFreeBits(std::span<const std::uint8_t> frame, TSendTelegram& t) {
    const std::size_t n = std::min<std::size_t>(frame.size(), kFreeDataBytes);
    std::memset(t.Data, 0, sizeof t.Data);
    std::copy_n(frame.data(), n, t.Data);
    t.DataCount = static_cast<std::int32_t>(8 * n);
}

void ConvertToFreeBits(Context& ctx, TSendTelegram& t) {
    TTelegram r;
    ComposePreview(ctx, SendChannel(ctx, t.Head), t, r);
    const int h = ctx.run.UserDataOffset;
    const int len = std::clamp<int>(r.FrameLen, 0, static_cast<int>(TTelegram::kMaxFrame));
    if (h > 4 && len > h) {
        const int bits = r.Frame[7];
        TakeFrameAsFreeBits(std::span(r.Frame + h, static_cast<std::size_t>(len - h)), t);
        t.DataCount = std::min(bits, t.DataCount);
    } else {
        TakeFrameAsFreeBits(std::span(r.Frame, static_cast<std::size_t>(len)), t);
    }
}

std::string FormatFrameAsLevels(const TSendTelegram& t, int lockTime) {
    std::string s;
    for (int i = 0; i < StoredBytes(t, 1); ++i) {
        std::string line;
        for (int b = 0; b < 8; ++b) {
            if (b == 4) line += ' ';
            line += ((t.Data[i] >> b) & 1) ? '1' : '0';
            line += ' ';
        }
        s += line + "\r\n";
    }
    return s + std::to_string(lockTime);
}

std::uint16_t CodeDuration(double d) {
    if (d < 20) return static_cast<std::uint16_t>(std::lround(100 * d) + 0x3000);
    if (d < 200) return static_cast<std::uint16_t>(std::lround(10 * d) + 0x2000);
    if (d < 2000) return static_cast<std::uint16_t>(std::lround(d) + 0x1000);
    if (d >= 20410) return 2041;
    return static_cast<std::uint16_t>(std::lround(d / 10));
}

double WordDuration(std::uint16_t w) {
    constexpr double kDecade[4] = {10, 1, 0.1, 0.01};
    return (w & levelword::kMantissa) * kDecade[(w >> 12) & 3];
}

LevelTiming LevelTimingOf(const Context& ctx) {
    const TLineParams& send = ctx.emse1.P.Line[1];
    LevelTiming t;
    if (send.BitRate > 0) {
        t.level0Ms = 1000.0 / send.BitRate;
        t.level1Ms = (send.Mv + 20) * t.level0Ms / 10;
    }
    t.alternateStartsSet = send.SpPl == 0;
    return t;
}

std::string FormatNumber(std::string_view format, double v) {
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
            continue;
        }
        std::size_t j = i + 1;
        int precision = 6;
        if (j < format.size() && format[j] == '.') {
            precision = 0;
            for (++j; j < format.size() && format[j] >= '0' && format[j] <= '9'; ++j)
                precision = std::min(20, precision * 10 + (format[j] - '0'));
        }
        if (j < format.size() && format[j] == 'f') {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%.*f", precision, v);
            out += buf;
            i = j;
        } else {
            out += '%';  // not a conversion we fill: kept as written
        }
    }
    return out;
}

std::string FormatLevelWords(const Context& ctx, const TSendTelegram& t) {
    std::string s;
    const int words = std::min(std::max(0, t.DataCount), kFreeDataBytes / 2);
    for (int i = 0; i < words; ++i) {
        const std::uint16_t w = WordAt(t, i);
        if (w & levelword::kUserNumber) {
            const double d = WordDuration(w);
            const int format =
                d >= 20410 ? txt::kValueFormatOverflow : txt::kValueFormatBase + ((w >> 12) & 3);
            s += FormatNumber(ctx.Txt(format), d);
        } else {
            s += (w & levelword::kLevel1) ? "1" : "0";
        }
        s += ' ';
        if (i % 8 == 7) s += "\r\n";
    }
    return s;
}

void ReadLevelWords(std::string_view text, const LevelTiming& timing, TSendTelegram& t) {
    int stored = 0;
    std::size_t i = 0;
    const auto separator = [](char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; };
    while (i < text.size() && stored < kMaxLevelWords) {
        while (i < text.size() && separator(text[i])) ++i;
        std::size_t j = i;
        while (j < text.size() && !separator(text[j])) ++j;
        const std::string token(text.substr(i, j - i));
        i = j;
        if (token.empty()) continue;
        std::uint16_t w = 0;
        if (token == "0") {
            w = CodeDuration(timing.level0Ms);
        } else if (token == "1") {
            w = CodeDuration(timing.level1Ms) | levelword::kLevel1;
        } else if (const auto d = ReadDecimal(token)) {
            w = CodeDuration(std::clamp(*d, kMinDurationMs, kMaxDurationMs)) |
                levelword::kUserNumber;
        } else {
            continue;  // not a number: skipped
        }
        if ((stored + (timing.alternateStartsSet ? 1 : 0)) % 2 == 1) w |= levelword::kAlternate;
        PutWord(t, stored++, w);
    }
    t.DataCount = stored;
}

}  // namespace vadrix
