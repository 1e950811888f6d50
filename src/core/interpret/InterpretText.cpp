#include "interpret/InterpretText.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

#include "app/TimeBase.h"
#include "common/TextFormat.h"
#include "common/TextIds.h"
#include "common/TextTable.h"

namespace vadrix {

namespace {

// Byte i of entry v is 1 when bit 7 - i of v is set: a byte's bits, most significant first.
constexpr std::array<std::uint64_t, 256> kSpreadBits = [] {
    std::array<std::uint64_t, 256> t{};
    for (unsigned v = 0; v < 256; ++v)
        for (unsigned i = 0; i < 8; ++i)
            if ((v >> (7 - i)) & 1) t[v] |= std::uint64_t{1} << (8 * i);
    return t;
}();

// The characters of the low `bits` bits of v, most significant first, into buf (room for 32).
void BitChars(char* buf, std::uint32_t v, int bits, const char bitChars[2]) {
    const auto zero = static_cast<unsigned char>(bitChars[0]);
    const auto one = static_cast<unsigned char>(bitChars[1]);
    if constexpr (std::endian::native == std::endian::little) {
        // Eight characters at a time: each byte of the word is the one or the zero character.
        constexpr std::uint64_t kOnes = 0x0101010101010101ull;
        const int bytes = (bits + 7) / 8;
        char all[32];
        for (int k = bytes - 1, n = 0; k >= 0; --k, n += 8) {
            const std::uint64_t set = kSpreadBits[(v >> (8 * k)) & 0xFF];
            const std::uint64_t word = set * one + (kOnes - set) * zero;
            std::memcpy(all + n, &word, sizeof word);
        }
        std::memcpy(buf, all + (bytes * 8 - bits), static_cast<std::size_t>(bits));
    } else {
        for (int b = bits - 1, n = 0; b >= 0; --b)
            buf[n++] = static_cast<char>((v >> b) & 1 ? one : zero);
    }
}

}  // namespace

void AppendBits(std::string& out, std::uint32_t v, int bits, const char bitChars[2], int width) {
    bits = std::clamp(bits, 0, 32);
    // Made in place and appended at once: a line holds many of these.
    char buf[33];
    BitChars(buf, v, bits, bitChars);
    int n = bits;
    if (bits > 4) {
        std::memmove(buf + bits - 3, buf + bits - 4, 4);
        buf[bits - 4] = ' ';
        ++n;
    }
    if (width > n) out.append(static_cast<std::size_t>(width - n), ' ');
    out.append(buf, static_cast<std::size_t>(n));
}

void AppendMeasured(std::string& out, const TTextTable& t, std::uint16_t w, char decimal,
                    int width) {
    static constexpr double kScale[4] = {10.0, 1.0, 0.1, 0.01};
    const int range = (w >> 12) & 3;
    const double value = (w & 0x7FF) * kScale[range];
    const int fmt = value >= 20410.0 ? txt::kValueFormatOverflow : txt::kValueFormatBase + range;
    const std::size_t start = out.size();
    out.push_back((w & 0x800) != 0 ? '#' : ' ');
    AppendFormat(out, t.Txt(fmt), {value}, decimal);
    out.push_back((w & 0x8000) != 0 ? 'H' : 'L');
    AlignRightFrom(out, start, width);
}

void SplitTime(double time, std::int64_t& day, std::int64_t& msOfDay) {
    // A damaged record can hold anything here; beyond year 9999 nothing is a real stamp.
    if (!std::isfinite(time) || time < 0 || time > 2958466.0) {
        day = 0;
        msOfDay = 0;
        return;
    }
    day = static_cast<std::int64_t>(time);
    msOfDay = std::llround((time - static_cast<double>(day)) * static_cast<double>(kMsPerDay));
    if (msOfDay >= kMsPerDay) {
        ++day;
        msOfDay -= kMsPerDay;
    }
}

namespace {
void Append2(std::string& out, std::int64_t v) {
    out.push_back(static_cast<char>('0' + (v / 10) % 10));
    out.push_back(static_cast<char>('0' + v % 10));
}
void Put2(char* p, std::int64_t v) {
    p[0] = static_cast<char>('0' + (v / 10) % 10);
    p[1] = static_cast<char>('0' + v % 10);
}
}  // namespace

void AppendTimeOfDay(std::string& out, std::int64_t ms, bool withMs) {
    // Every header and export line has one: made in place and appended at once.
    char buf[12] = {0, 0, ':', 0, 0, ':', 0, 0, ','};
    Put2(buf, ms / 3600000);
    Put2(buf + 3, ms / 60000 % 60);
    Put2(buf + 6, ms / 1000 % 60);
    if (!withMs) {
        out.append(buf, 8);
        return;
    }
    const std::int64_t z = ms % 1000;
    buf[9] = static_cast<char>('0' + z / 100);
    Put2(buf + 10, z % 100);
    out.append(buf, sizeof buf);
}

void AppendShortDate(std::string& out, std::int64_t day, bool dayFirst) {
    int y = 0;
    int m = 0;
    int d = 0;
    DecodeDateSerial(static_cast<double>(day), y, m, d);
    Append2(out, dayFirst ? d : m);
    out.push_back(dayFirst ? '.' : '/');
    Append2(out, dayFirst ? m : d);
    out.push_back(dayFirst ? '.' : '/');
    AppendNum(out, y);
}

void AppendRange(std::string& out, int first, int last, int width) {
    const std::size_t start = out.size();
    AppendNum(out, first);
    out.push_back('-');
    AppendNum(out, last);
    out += ":  ";
    AlignRightFrom(out, start, width);
}

void AppendHexBytes(std::string& out, const std::uint8_t* bytes, int n) {
    for (int i = 0; i < n; ++i) {
        AppendHex2(out, bytes[i]);
        out.push_back(' ');
        if (i % 4 == 3) out.push_back(' ');
    }
}

void AppendByteChars(std::string& out, const std::uint8_t* bytes, int n) {
    for (int i = 0; i < n; ++i) out.push_back(bytes[i] < 32 ? '.' : static_cast<char>(bytes[i]));
}

}  // namespace vadrix
