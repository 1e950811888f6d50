#pragma once
// Shared by the parts of the line generator only: the layout helpers and the builders of
// the lines' parts.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/Context.h"
#include "channel/LinkFields.h"
#include "interpret/InterpretText.h"
#include "interpret/LineGenerator.h"

namespace vadrix {
namespace interp {

constexpr int kDataBits[8] = {16, 16, 9, 9, 36, 36, 72, 72};
constexpr int kHexPerLine = 16;
constexpr int kBitBytesPerLine = 6;
constexpr int kValuesPerLine = 8;
constexpr int kLongLine = 101;  // a decoded line this long is continued on a second line
constexpr int kKeptPart = 80;
constexpr std::uint8_t kStatusValueListOwnWord = 56;
constexpr int kLastStatusText = 64;  // status texts run from 432 to 496
constexpr int kLastClass = 77;       // class names run from 50 to 126

// Record offsets of the fields that value lists and port events keep in the frame.
constexpr int kCountByte = 37 - static_cast<int>(TTelegram::kHeadSize);
constexpr int kFirstWord = 38 - static_cast<int>(TTelegram::kHeadSize);
constexpr int kPortFunction = 50 - static_cast<int>(TTelegram::kHeadSize);
constexpr int kPortVariant = 54 - static_cast<int>(TTelegram::kHeadSize);
constexpr int kPortTraffic = 58 - static_cast<int>(TTelegram::kHeadSize);
// The words a port record's set-up can name.
constexpr int kPortFunctions = 3;       // items of the channel function list
constexpr int kMonitoringVariants = 3;  // variants 0..2 have port texts of their own
constexpr int kProtocolVariants = 5;    // items of the general settings' protocol list
constexpr int kTrafficKinds = 2;
constexpr int kChoiceItemsFrom = 2;  // a choice list's items follow its label and count
constexpr std::string_view kPortPartSeparator = ", ";
constexpr int kPortBaud = 62 - static_cast<int>(TTelegram::kHeadSize);
constexpr int kPortRate2 = 66 - static_cast<int>(TTelegram::kHeadSize);
constexpr int kPortRate3 = 70 - static_cast<int>(TTelegram::kHeadSize);
constexpr int kPortParamsFrom = 24;  // frames longer than this carry the port's parameters

inline int ClampFrameLen(int n) {
    return std::clamp(n, 0, static_cast<int>(TTelegram::kMaxFrame));
}

inline std::uint16_t Word(const TTelegram& t, int at) {
    return static_cast<std::uint16_t>(FrameAt(t, at) | (FrameAt(t, at + 1) << 8));
}
inline std::uint32_t Dword(const TTelegram& t, int at) {
    return static_cast<std::uint32_t>(Word(t, at)) |
           (static_cast<std::uint32_t>(Word(t, at + 2)) << 16);
}

inline int CeilDiv(int n, int d) {
    return n > 0 ? (n + d - 1) / d : 0;
}

inline LinkLayout Layout(const InterpretSettings& s) {
    return {s.Variant(), s.userDataOffset, s.maxStation};
}

// User data as the bit-byte format shows them: from H to FrameLen - 3, in variant 2 the
// whole frame.
inline int UserDataStart(const InterpretSettings& s) {
    return s.Variant() == 2 ? 0 : s.userDataOffset;
}
inline int UserDataCount(const InterpretSettings& s, int frameLen) {
    return s.Variant() == 2 ? frameLen : frameLen - 2 - s.userDataOffset;
}

inline bool IsTimeTelegram(const TTelegram& r) {
    const int lc = r.LenCode & 7;
    return (lc == 5 || lc == 6) && (r.DataKind & 3) == 0 && r.TelNo < 512;
}

inline long RoundedPercent(double v, int scale) {
    // A damaged or unset scale must not divide by zero.
    if (scale == 0) return 0;
    return std::lround(v * 100.0 / scale);
}

}  // namespace interp

struct LineGenerator::Impl {
    static void Header(LineGenerator& g);
    static void StatusText(LineGenerator& g, std::string& out);
    static void PortEvent(LineGenerator& g, std::string& out);
    static void AppendPortSetUp(LineGenerator& g, std::string& out);
    static void DataLine(LineGenerator& g, int k);
    static void Decoded(LineGenerator& g);
    static void FormatPart(LineGenerator& g, std::string& out);
    static void AddressPart(LineGenerator& g, std::string& out);
    static void BitGroups(LineGenerator& g, std::string& out);
    static void HexBytesPart(LineGenerator& g, std::string& out);
    static void Logical(LineGenerator& g, std::string& out);
    static void TimeTelegram(LineGenerator& g, std::string& out);
    static void Duration(LineGenerator& g, std::string& out, std::int64_t ms);
    static void Values(LineGenerator& g, std::string& out);
    static void Words(LineGenerator& g, std::string& out, int count);
    static void SignedBytes(LineGenerator& g, std::string& out);
    static void Counter(LineGenerator& g, std::string& out);
    static void ValueLine(LineGenerator& g, int k);
    static void BitBytesLine(LineGenerator& g, int k);
    static void HexDumpLine(LineGenerator& g, int k);
    static void LinePrefix(LineGenerator& g, std::string& out, int k, int first, int last);
    static void ExportLine(LineGenerator& g);

    static std::uint8_t Data(const LineGenerator& g, int i) {
        return DataByte(g.rec_, interp::Layout(g.Settings()), i);
    }
    static std::string_view T(const LineGenerator& g, int n) {
        return TextOrEmpty(g.ctx_.texts, n);
    }
};

}  // namespace vadrix
