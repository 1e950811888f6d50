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
    const std::size_t start = out.size();
    for (int b = bits - 1; b >= 0; --b) {
        out.push_back(bitChars[(v >> b) & 1]);
        if (b == 4 && bits > 4) out.push_back(' ');
    }
    AlignRightFrom(out, start, width);
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
}  // namespace

void AppendTimeOfDay(std::string& out, std::int64_t ms, bool withMs) {
    Append2(out, ms / 3600000);
    out.push_back(':');
    Append2(out, ms / 60000 % 60);
    out.push_back(':');
    Append2(out, ms / 1000 % 60);
    if (!withMs) return;
    out.push_back(',');
    const std::int64_t z = ms % 1000;
    out.push_back(static_cast<char>('0' + z / 100));
    Append2(out, z % 100);
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
    AppendInt(out, y);
}

void AppendRange(std::string& out, int first, int last, int width) {
    const std::size_t start = out.size();
    AppendInt(out, first);
    out.push_back('-');
    AppendInt(out, last);
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
