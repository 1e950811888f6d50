// The format-specific part of a decoded line: bits, bytes, values and the logical decoding.

#include <bit>
#include <cmath>

#include "common/TextFormat.h"
#include "common/TextIds.h"
#include "interpret/InterpretImpl.h"

namespace vadrix {

using namespace interp;

void LineGenerator::Impl::BitGroups(LineGenerator& g, std::string& out) {
    for (int i = 0; i * 8 < g.dataBits_; ++i) {
        const int bits = std::min(8, g.dataBits_ - i * 8);
        AppendBits(out, Data(g, i) & ((1u << bits) - 1), bits, g.Settings().bitChars);
    }
}

void LineGenerator::Impl::HexBytesPart(LineGenerator& g, std::string& out) {
    const int whole = g.dataBits_ / 8;
    const int count = whole + (g.dataBits_ % 8 != 0 ? 1 : 0);
    for (int i = 0; i < count; ++i) {
        const unsigned b = i < whole ? Data(g, i) : Data(g, i) & 0x0Fu;
        const std::size_t start = out.size();
        AppendNum(out, b);
        out += "=$";
        AppendHex2(out, b);
        AlignRightFrom(out, start, 12);
    }
}

void LineGenerator::Impl::Duration(LineGenerator& g, std::string& out, std::int64_t ms) {
    const std::size_t start = out.size();
    AppendFormat(out, T(g, txt::kDurationFormat),
                 {ms / 60000, static_cast<double>(ms % 60000) / 1000.0}, g.Settings().decimal);
    AlignRightFrom(out, start, 24);
}

void LineGenerator::Impl::TimeTelegram(LineGenerator& g, std::string& out) {
    AppendBits(out, Data(g, 0), 8, g.Settings().bitChars);
    AppendBits(out, Data(g, 1), 8, g.Settings().bitChars);
    // Ticks of 10 ms; the longer telegram adds the millisecond digit in the upper half of the
    // last byte, as the composer puts it there.
    std::int64_t ms = 10 * (Data(g, 2) + 256 * Data(g, 3));
    if ((g.rec_.LenCode & 7) == 6) ms += Data(g, 4) >> 4;
    Duration(g, out, ms);
    AppendBits(out, Data(g, 4) & 0x0F, 4, g.Settings().bitChars);
}

void LineGenerator::Impl::Logical(LineGenerator& g, std::string& out) {
    const TTelegram& r = g.rec_;
    const int t = r.TelNo;
    const int kind = r.DataKind & 3;
    const int lc = r.LenCode & 7;
    const int cls = r.InfoClass;
    const char dec = g.Settings().decimal;
    const auto d = [&g](int i) -> int { return Data(g, i); };
    if (IsTimeTelegram(r)) {
        TimeTelegram(g, out);
    } else if ((t == 781 || t == 1016 || t == 1020) && (kind == 0 || kind == 3) && lc == 4) {
        const std::uint32_t w = static_cast<std::uint32_t>(d(0) | d(1) << 8 | d(2) << 16) |
                                static_cast<std::uint32_t>(d(3)) << 24;
        out += "  ";
        for (int b = 0; b < 32; ++b) {
            if ((w >> b & 1) == 0) continue;
            out.push_back(' ');
            AppendNum(out, b);
        }
        if (w == 0) out += T(g, txt::kNoBitSet);
    } else if (t >= 512 && t <= 1015 && kind != 0 && lc != 0 && lc != 2) {
        Values(g, out);
    } else if (t == 513 && kind == 0 && lc == 2) {
        out += "   ";
        AppendBits(out, d(0) >> 5, 3, g.Settings().bitChars, 0);
        out += T(g, txt::kSeqNumberLabel);
        AppendNum(out, d(0) & 0x1F);
    } else if (t == 515 && kind == 0 && lc == 6) {
        AppendFormat(out, T(g, txt::kStationStateFormat),
                     {d(0) >> 7, d(0) & 0x7F, d(1), d(2), d(3), d(4)}, dec);
    } else if (t == 767 && kind == 0 && lc == 4) {
        AppendFormat(out, T(g, txt::kObjectFormat),
                     {d(0) + 256 * (d(1) & 3), (d(1) >> 2) & 7, d(1) >> 7, (d(1) >> 6) & 1}, dec);
        AppendBits(out, d(2), 8, g.Settings().bitChars);
        AppendFormat(out, T(g, txt::kGroupFormat), {(d(3) >> 4) & 7, d(3) & 15, d(3) >> 7}, dec);
    } else if (t == 770 && kind == 0 && lc == 6) {
        AppendFormat(out, T(g, txt::kDateTimeFormat), {d(0), d(1), d(2), d(3), d(4), d(5)}, dec);
    } else if (t == 770 && kind == 0 && (lc == 0 || lc == 4)) {
        Duration(g, out, static_cast<std::int64_t>(d(0) + 256 * d(1)) * 10);
    } else if (cls == 19 && kind == 1 && lc == 0) {
        AppendBits(out, d(0), 8, g.Settings().bitChars);
        AppendFormat(out, T(g, txt::kGroupFormat), {(d(1) >> 4) & 7, d(1) & 15, d(1) >> 7}, dec);
        int ones = 0;
        for (int i = 0; i < 6; ++i)
            ones += std::popcount(FrameAt(r, g.Settings().userDataOffset + i));
        out += T(g, ones % 2 == 1 ? txt::kParityOdd : txt::kParityEven);
    } else if (cls == 15 && (kind == 1 || kind == 3) && lc == 4) {
        for (int i = 0; i < 4; ++i) {
            const std::size_t start = out.size();
            AppendBits(out, d(i) >> 6, 2, g.Settings().bitChars, 0);
            AppendFormat(out, T(g, txt::kTapFormat), {d(i) & 0x3F, d(i) & 0x3F}, dec);
            AlignRightFrom(out, start, 12);
        }
    } else if ((cls == 16 || cls == 17) && (kind == 1 || kind == 3) && lc == 4) {
        Counter(g, out);
    } else {
        BitGroups(g, out);
    }
}

void LineGenerator::Impl::Counter(LineGenerator& g, std::string& out) {
    const auto d = [&g](int i) -> std::uint32_t { return Data(g, i); };
    const std::uint32_t w = d(0) | d(1) << 8 | d(2) << 16 | d(3) << 24;
    const std::uint32_t low = w & 0x0FFFFFFF;
    out += "   ";
    if (g.rec_.InfoClass == 16) {
        std::uint32_t value = 0;
        bool bcd = true;
        for (int n = 6; n >= 0; --n) {
            const std::uint32_t digit = low >> (4 * n) & 15;
            bcd = bcd && digit <= 9;
            value = value * 10 + digit;
        }
        if (bcd) {
            AppendGrouped(out, value, g.Settings().thousands, 9);
        } else {
            out += T(g, txt::kNotBcd);
            AppendFormat(out, "%07X", {low});
        }
    } else {
        AppendGrouped(out, low, g.Settings().thousands, 9);
    }
    AppendFormat(out, T(g, txt::kCounterFlagsFormat),
                 {w >> 31, w >> 30 & 1, w >> 29 & 1, w >> 28 & 1}, g.Settings().decimal);
}

void LineGenerator::Impl::Values(LineGenerator& g, std::string& out) {
    const int lc = g.rec_.LenCode & 7;
    if (g.Settings().general.Type17Option == 1 && lc >= 6) {
        Words(g, out, (g.dataBits_ + 7) / 16);
        const int b = Data(g, 8);
        const std::size_t start = out.size();
        AppendBits(out, b >> 6, 2, g.Settings().bitChars, 0);
        AppendNum(out, b & 0x3F, 4);
        out += T(g, txt::kSecondsSuffix);
        AlignRightFrom(out, start, 12);
    } else if (lc % 2 == 1) {
        SignedBytes(g, out);
    } else {
        Words(g, out, (g.dataBits_ + 7) / 16);
    }
}

void LineGenerator::Impl::SignedBytes(LineGenerator& g, std::string& out) {
    const int signIndex = (g.dataBits_ - 1) / 8;
    const int signs = Data(g, signIndex);
    for (int i = 0; i < signIndex; ++i) {
        const int v = Data(g, i) - (i < 8 && (signs >> i & 1) != 0 ? 256 : 0);
        const std::size_t start = out.size();
        AppendNum(out, v);
        out.push_back('=');
        AppendNum(out, RoundedPercent(v, g.Settings().general.Scale8));
        out += T(g, txt::kPercentUnit);
        AlignRightFrom(out, start, 12);
    }
}

void LineGenerator::Impl::Words(LineGenerator& g, std::string& out, int count) {
    const std::string_view flag = T(g, txt::kWordFlag).substr(0, 7);
    for (int i = 0; i < count; ++i) {
        const std::uint16_t w =
            static_cast<std::uint16_t>(Data(g, 2 * i) | Data(g, 2 * i + 1) << 8);
        const int v = static_cast<std::int16_t>(w) / 16;
        const std::size_t start = out.size();
        AppendNum(out, v);
        if ((w & 1) != 0) out += flag;
        out.push_back('=');
        AppendNum(out, RoundedPercent(v, g.Settings().general.Scale11));
        out += T(g, txt::kPercentUnit);
        AlignRightFrom(out, start, 14);
        AppendBlanks(out, 10);
    }
}

}  // namespace vadrix
