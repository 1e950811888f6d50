#include "interpret/InterpretText.h"

#include <cmath>

#include "app/TimeBase.h"
#include "common/TextFormat.h"
#include "common/TextIds.h"
#include "common/TextTable.h"

namespace vadrix {

std::string_view TextOrEmpty(const TTextTable& t, int n) {
    return n >= 0 && n < TTextTable::kCapacity ? t.Txt(n) : std::string_view{};
}

void AppendBits(std::string& out, std::uint32_t v, int bits, const char bitChars[2], int width) {
    if (bits > 32) bits = 32;
    // Made in place and appended at once: a line holds many of these.
    char buf[33];
    int n = 0;
    for (int b = bits - 1; b >= 0; --b) {
        buf[n++] = bitChars[(v >> b) & 1];
        if (b == 4 && bits > 4) buf[n++] = ' ';
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
