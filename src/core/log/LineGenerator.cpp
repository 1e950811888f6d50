#include "log/LineGenerator.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "channel/LinkFields.h"
#include "common/Context.h"
#include "common/TextFormat.h"
#include "common/TextIds.h"
#include "log/Descriptions.h"
#include "log/InterpretText.h"
#include "log/LogFileLayout.h"

namespace vadrix {

namespace {

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
constexpr int kPortBaud = 62 - static_cast<int>(TTelegram::kHeadSize);
constexpr int kPortRate2 = 66 - static_cast<int>(TTelegram::kHeadSize);
constexpr int kPortRate3 = 70 - static_cast<int>(TTelegram::kHeadSize);
constexpr int kPortParamsFrom = 24;  // frames longer than this carry the port's parameters

int ClampFrameLen(int n) {
    return std::clamp(n, 0, static_cast<int>(TTelegram::kMaxFrame));
}

std::uint16_t Word(const TTelegram& t, int at) {
    return static_cast<std::uint16_t>(FrameAt(t, at) | (FrameAt(t, at + 1) << 8));
}
std::uint32_t Dword(const TTelegram& t, int at) {
    return static_cast<std::uint32_t>(Word(t, at)) |
           (static_cast<std::uint32_t>(Word(t, at + 2)) << 16);
}

int CeilDiv(int n, int d) {
    return n > 0 ? (n + d - 1) / d : 0;
}

LinkLayout Layout(const InterpretSettings& s) {
    return {s.Variant(), s.userDataOffset, s.maxStation};
}

// User data as the bit-byte format shows them: from H to FrameLen - 3, in variant 2 the
// whole frame.
int UserDataStart(const InterpretSettings& s) {
    return s.Variant() == 2 ? 0 : s.userDataOffset;
}
int UserDataCount(const InterpretSettings& s, int frameLen) {
    return s.Variant() == 2 ? frameLen : frameLen - 2 - s.userDataOffset;
}

bool IsTimeTelegram(const TTelegram& r) {
    const int lc = r.LenCode & 7;
    return (lc == 5 || lc == 6) && (r.DataKind & 3) == 0 && r.TelNo < 512;
}

long RoundedPercent(double v, int scale) {
    // A damaged or unset scale must not divide by zero.
    if (scale == 0) return 0;
    return std::lround(v * 100.0 / scale);
}

}  // namespace

DisplayFormat DisplayFormatFromNumber(int n) {
    return n >= 2 && n <= 8 ? static_cast<DisplayFormat>(n) : DisplayFormat::afLog;
}

InterpretSettings SettingsFromContext(const Context& ctx) {
    InterpretSettings s;
    s.format = DisplayFormatFromNumber(ctx.settings.DisplayFormat);
    s.timeLine = ctx.settings.DisplayFlag != 0;
    s.general = ctx.general;
    s.userDataOffset = ctx.run.UserDataOffset;
    s.maxStation = ctx.run.MaxStation;
    s.noStation = ctx.run.NoStation;
    s.bitChars[0] = ctx.run.BitChars[0];
    s.bitChars[1] = ctx.run.BitChars[1];
    const std::string_view sep = ctx.Txt(txt::kFieldSeparator);
    s.separator = sep.empty() ? ';' : sep.front();
    const bool german = ctx.settings.Language == 0;
    s.thousands = german ? '.' : ',';
    s.decimal = german ? ',' : '.';
    s.dayFirst = german;
    for (int i = 0; i < 6; ++i) {
        s.colours[i][0] = ctx.settings.View.Colours[i][0];
        s.colours[i][1] = ctx.settings.View.Colours[i][1];
    }
    return s;
}

InterpretSettings SettingsFromLogHeader(const Context& ctx, const TLogHeader& h) {
    InterpretSettings s = SettingsFromContext(ctx);
    s.general = h.General;
    // The frame layout follows the variant the log was written in.
    const int v = h.General.ProtocolVariant;
    s.userDataOffset = v == 0 || v == 1 ? 8 : 4;
    return s;
}

// The parts of the lines; a friend of the generator so the parts read its state directly.
struct LineGenerator::Impl {
    static void Header(LineGenerator& g);
    static void StatusText(LineGenerator& g, std::string& out);
    static void PortEvent(LineGenerator& g, std::string& out);
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
        return DataByte(g.rec_, Layout(g.s_), i);
    }
    static std::string_view T(const LineGenerator& g, int n) {
        return TextOrEmpty(g.ctx_.texts, n);
    }
};

LineGenerator::LineGenerator(const Context& ctx, const Descriptions* descriptions)
    : ctx_(ctx), desc_(descriptions) {
    out_.reserve(512);
    scratch_.reserve(512);
}

LineGenerator::Plan LineGenerator::MakePlan(const InterpretSettings& s, const TTelegram& rec) {
    Plan p;
    const int frameLen = ClampFrameLen(rec.FrameLen);
    const bool good = rec.Kind != kind::kEvent && rec.Status == status::kGood;
    const bool timeKind =
        rec.Kind == 0 || rec.Kind == kind::kVariable || rec.Kind == kind::kValueList;
    p.header = !good || (s.timeLine && timeKind);
    if (rec.Kind == kind::kValueList && s.format != DisplayFormat::afByte) {
        p.body = Body::kValueList;
        const int count = kCountByte < frameLen ? rec.Frame[kCountByte] : 0;
        p.dataLines = CeilDiv(count - 1, kValuesPerLine);
    } else if (s.format == DisplayFormat::afDez && rec.Kind == kind::kVariable &&
               frameLen > s.userDataOffset) {
        p.body = Body::kBitBytes;
        p.dataLines = CeilDiv(UserDataCount(s, frameLen), kBitBytesPerLine);
    } else if (rec.Status >= 12 && rec.Kind != 0 && rec.Kind != kind::kNoTelegram) {
        if (s.format == DisplayFormat::afByte) {
            p.body = Body::kHexDump;
            p.dataLines = CeilDiv(frameLen, kHexPerLine);
        } else if (rec.Kind == kind::kVariable && frameLen > 0) {
            p.body = Body::kDecoded;
            p.dataLines = 1;
        }
    } else {
        p.body = Body::kHexDump;
        p.dataLines = CeilDiv(frameLen, kHexPerLine);
    }
    return p;
}

void LineGenerator::Prepare(const InterpretSettings& s, const TTelegram& rec, double previousTime,
                            std::int64_t runningNumber) {
    s_ = s;
    rec_ = rec;
    // Damaged records may claim any length: the frame is read no further than the buffer,
    // and what lies behind the stated length reads as zero.
    frameLen_ = ClampFrameLen(rec.FrameLen);
    std::fill(rec_.Frame + frameLen_, rec_.Frame + TTelegram::kMaxFrame, std::uint8_t{0});
    previousTime_ = previousTime;
    runningNumber_ = runningNumber;
    line_ = 0;
    continuation_.clear();
    contIndent_ = 0;
    descIndex_ = -1;
    dataBits_ = kDataBits[rec_.LenCode & 7];
    plan_ = MakePlan(s_, rec_);
    ++prepared_;

    const LinkLayout layout = Layout(s_);
    if (rec_.Kind == kind::kVariable && rec_.Status == status::kGood && desc_ != nullptr) {
        descIndex_ = desc_->Find(rec_.TelNo, rec_.DataKind & 3, SequenceNumber(rec_, layout) != 0);
        if (rec_.InfoClass == 0)
            rec_.InfoClass = static_cast<std::uint8_t>(desc_->Class(descIndex_));
    }
    // The class is settled here, not only while a header line is made, so that a telegram
    // decodes the same with the time line on or off.
    if (rec_.Kind == kind::kVariable && rec_.Status >= 27 && rec_.InfoClass == 0 &&
        !IsShort(rec_, layout)) {
        const int c = DeriveClass(rec_.TelNo, rec_.DataKind & 3, rec_.LenCode & 7,
                                  SequenceNumber(rec_, layout) != 0, s_.general.Type17Option);
        rec_.InfoClass = static_cast<std::uint8_t>(c + 1);
    }

    const bool faulty = rec_.Status < status::kGood || rec_.Kind == kind::kEvent;
    const int pair = faulty ? 5 : (rec_.Source >= 1 && rec_.Source <= 4) ? rec_.Source - 1 : 4;
    std::uint8_t font = s_.colours[pair][0];
    std::uint8_t background = s_.colours[pair][1];
    if (descIndex_ >= 0 && rec_.Status >= status::kGood) {
        const DescColourPair c = desc_->Colours(descIndex_);
        if (c.font != 0) font = c.font;
        if (c.background != 0) background = c.background;
    }
    colourPair_ = static_cast<std::uint16_t>(font | (background << 8));
}

std::string LineGenerator::NextLine() {
    ++line_;
    out_.clear();
    if (s_.format == DisplayFormat::afCsv) {
        if (line_ == 1) Impl::ExportLine(*this);
    } else if (line_ == 1 && plan_.header) {
        Impl::Header(*this);
    } else {
        if (line_ == 1) ++line_;
        Impl::DataLine(*this, line_ - 2);
    }
    if (out_.size() > kMaxLine) out_.resize(kMaxLine);
    return out_;
}

int LineGenerator::LineCount(const InterpretSettings& s, const TTelegram& rec) const {
    if (s.format == DisplayFormat::afCsv) return 1;
    const Plan p = MakePlan(s, rec);
    int n = (p.header ? 1 : 0) + p.dataLines;
    // Only a long decoded line is continued; whether it is long shows when it is made.
    if (p.body == Body::kDecoded && (rec.LenCode & 7) >= 6) {
        LineGenerator probe(ctx_, desc_);
        probe.Prepare(s, rec, 0, 0);
        Impl::Decoded(probe);
        if (!probe.continuation_.empty()) ++n;
    }
    return n;
}

std::string_view LineGenerator::SourceName(const TTelegram& rec) const {
    return ctx_.Txt(txt::kSourceNameBase + (rec.Source <= source::kS2 ? rec.Source : 0));
}

void LineGenerator::Impl::Header(LineGenerator& g) {
    std::string& out = g.out_;
    const TTelegram& r = g.rec_;
    AppendGrouped(out, g.runningNumber_, g.s_.thousands, 2);
    AppendBlanks(out, 17 - static_cast<int>(out.size()));
    std::int64_t day = 0;
    std::int64_t ms = 0;
    SplitTime(r.Time, day, ms);
    AppendTimeOfDay(out, ms, true);
    if (r.Kind == kind::kValueList && r.Status != kStatusValueListOwnWord) {
        const std::uint16_t w = Word(r, kFirstWord);
        out += T(g, txt::kValueListPrefix);
        AppendMeasured(out, g.ctx_.texts, w, g.s_.decimal);
        out += T(g, w < 32768 ? txt::kValueListLow : txt::kValueListHigh);
        if (FrameAt(r, kCountByte) == 1) {
            out += "  ";
            out += g.SourceName(r);
        }
    } else if (r.Kind != kind::kEvent && g.previousTime_ != 0) {
        double seconds = (r.Time - g.previousTime_) * 86400.0;
        if (!std::isfinite(seconds)) seconds = 0;
        AppendFormat(out, "  d=%1.3fs", {seconds}, g.s_.decimal);
    }
    g.previousTime_ = r.Time;
    g.scratch_.clear();
    StatusText(g, g.scratch_);
    if (!g.scratch_.empty()) {
        out += "  ";
        out += g.scratch_;
    }
    if (r.Kind == kind::kVariable) {
        const std::string_view name =
            g.desc_ != nullptr ? g.desc_->Name(g.descIndex_) : std::string_view{};
        if (!name.empty()) {
            out += "  ";
            out += name;
        } else if (r.InfoClass != 0 && r.InfoClass <= kLastClass) {
            out += "  ";
            out += T(g, txt::kClassNameBase + r.InfoClass);
        }
    }
}

void LineGenerator::Impl::StatusText(LineGenerator& g, std::string& out) {
    const TTelegram& r = g.rec_;
    switch (r.Status) {
        case status::kSupervision:
            out += g.SourceName(r);
            out += "  ";
            out += T(g, txt::kStatusTextBase + r.Status);
            return;
        case status::kFreeText: {
            out += g.SourceName(r);
            out += "  ";
            const int len = std::min<int>(FrameAt(r, 0), g.frameLen_ - 1);
            if (len > 0) out.append(reinterpret_cast<const char*>(r.Frame + 1), len);
            return;
        }
        case status::kModemLines:
            out += g.SourceName(r);
            out += T(g, txt::kStatusTextBase + r.Status);
            for (int n = 3; n >= 0; --n) {
                if ((r.Station & (1 << n)) == 0) continue;
                out += T(g, txt::kModemLineBase + n);
                out.push_back((r.Station & (1 << (n + 4))) != 0 ? '1' : '0');
            }
            return;
        case status::kPortOpened:
        case status::kPortClosed:
            PortEvent(g, out);
            return;
        case status::kRtsSwitched:
            out += g.SourceName(r);
            out += T(g, txt::kStatusTextBase + r.Status);
            AppendInt(out, r.Station);
            return;
        default:
            // Codes past the status texts would name unrelated texts.
            out += T(g, txt::kStatusTextBase + (r.Status <= kLastStatusText ? r.Status : 0));
            return;
    }
}

void LineGenerator::Impl::PortEvent(LineGenerator& g, std::string& out) {
    const TTelegram& r = g.rec_;
    const char dec = g.s_.decimal;
    AppendFormat(out, T(g, txt::kStatusTextBase + r.Status), {r.Station}, dec);
    bool thirdSource = false;
    if (g.frameLen_ > kPortParamsFrom) {
        out += T(g, txt::kFunctionItemBase + Word(r, kPortFunction));
        out += T(g, txt::kPortVariantBase + Word(r, kPortVariant));
        out += T(g, txt::kPortTrafficBase + Word(r, kPortTraffic));
        out += T(g, txt::kPortBaud);
        AppendInt(out, static_cast<std::int32_t>(Dword(r, kPortBaud)));
        if (static_cast<std::int32_t>(Dword(r, kPortVariant)) < 2) {
            out.push_back('/');
            AppendInt(out, static_cast<std::int32_t>(Dword(r, kPortRate2)));
            out.push_back('/');
            AppendInt(out, static_cast<std::int32_t>(Dword(r, kPortRate3)));
            thirdSource = true;
        }
    }
    for (int i = 0; i < (thirdSource ? 3 : 2); ++i) {
        const int src = r.Source + i;
        const std::string_view name =
            T(g, txt::kSourceNameBase + (src >= 1 && src <= source::kS2 ? src : 0));
        const std::uint32_t telegrams = Dword(r, 8 * i);
        // The port record keeps no error count for the third source.
        if (i < 2)
            AppendFormat(out, T(g, txt::kCounterPairFormat), {name, telegrams, Dword(r, 8 * i + 4)},
                         dec);
        else
            AppendFormat(out, T(g, txt::kCounterPairFormat), {name, telegrams, "-"}, dec);
    }
}

void LineGenerator::Impl::DataLine(LineGenerator& g, int k) {
    if (k < 0) return;
    switch (g.plan_.body) {
        case Body::kNone:
            return;
        case Body::kValueList:
            if (k < g.plan_.dataLines) ValueLine(g, k);
            return;
        case Body::kBitBytes:
            if (k < g.plan_.dataLines) BitBytesLine(g, k);
            return;
        case Body::kHexDump:
            if (k < g.plan_.dataLines) HexDumpLine(g, k);
            return;
        case Body::kDecoded:
            if (k == 0) {
                Decoded(g);
            } else if (k == 1 && !g.continuation_.empty()) {
                AppendBlanks(g.out_, g.contIndent_);
                g.out_ += g.continuation_;
            }
            return;
    }
}

void LineGenerator::Impl::Decoded(LineGenerator& g) {
    std::string& out = g.out_;
    const TTelegram& r = g.rec_;
    const LinkLayout layout = Layout(g.s_);
    out.clear();
    if (IsShort(r, layout)) {
        const int fn = ShortFunction(r, layout);
        out += g.SourceName(r);
        AppendInt(out, r.Station, 8);
        AppendInt(out, fn, 5);
        out.push_back(' ');
        out += T(g, txt::kShortFunctionBase + fn);
        if (fn == 0 && r.Station != g.s_.noStation) out += T(g, txt::kShortNoData);
    } else {
        FormatPart(g, out);
        const std::size_t addressStart = out.size();
        AddressPart(g, out);
        g.contIndent_ = static_cast<int>(out.size() - addressStart);
    }
    if ((r.LenCode & 7) >= 6 && out.size() >= kLongLine) {
        g.continuation_.assign(out, kKeptPart - 1);
        out.resize(kKeptPart);
    }
}

void LineGenerator::Impl::AddressPart(LineGenerator& g, std::string& out) {
    const TTelegram& r = g.rec_;
    const LinkLayout layout = Layout(g.s_);
    const int p = StationPos(r, layout);
    out += g.SourceName(r);
    out += "    ";
    out += T(g, txt::kAddrFlagBase + (FrameAt(r, p) >> 7));
    if (r.DataShift != 0)
        out += "   ";
    else
        AppendInt(out, r.Station, 3);
    AppendInt(out, r.TelNo, 5);
    out += T(g, txt::kDataKindBase + (r.DataKind & 3));
    out.push_back(' ');
    out += T(g, txt::kSeqFlagBase + (SequenceFlag(r, layout) ? 1 : 0));
    AppendInt(out, SequenceNumber(r, layout), 3);
    AppendInt(out, FrameAt(r, p + 3) >> 5, 3);
    AppendInt(out, r.LenCode, 2);
}

void LineGenerator::Impl::FormatPart(LineGenerator& g, std::string& out) {
    switch (g.s_.format) {
        case DisplayFormat::afBit:
            BitGroups(g, out);
            return;
        case DisplayFormat::afLog:
            Logical(g, out);
            return;
        case DisplayFormat::afMW:
            Values(g, out);
            return;
        case DisplayFormat::afHex:
            HexBytesPart(g, out);
            return;
        default:
            // afDez shows its bytes on lines of their own; afByte and afCsv never get here.
            return;
    }
}

void LineGenerator::Impl::BitGroups(LineGenerator& g, std::string& out) {
    for (int i = 0; i * 8 < g.dataBits_; ++i) {
        const int bits = std::min(8, g.dataBits_ - i * 8);
        AppendBits(out, Data(g, i) & ((1u << bits) - 1), bits, g.s_.bitChars);
    }
}

void LineGenerator::Impl::HexBytesPart(LineGenerator& g, std::string& out) {
    const int whole = g.dataBits_ / 8;
    const int count = whole + (g.dataBits_ % 8 != 0 ? 1 : 0);
    for (int i = 0; i < count; ++i) {
        const unsigned b = i < whole ? Data(g, i) : Data(g, i) & 0x0Fu;
        const std::size_t start = out.size();
        AppendInt(out, b);
        out += "=$";
        AppendHex2(out, b);
        AlignRightFrom(out, start, 12);
    }
}

void LineGenerator::Impl::Duration(LineGenerator& g, std::string& out, std::int64_t ms) {
    const std::size_t start = out.size();
    AppendFormat(out, T(g, txt::kDurationFormat),
                 {ms / 60000, static_cast<double>(ms % 60000) / 1000.0}, g.s_.decimal);
    AlignRightFrom(out, start, 24);
}

void LineGenerator::Impl::TimeTelegram(LineGenerator& g, std::string& out) {
    AppendBits(out, Data(g, 0), 8, g.s_.bitChars);
    AppendBits(out, Data(g, 1), 8, g.s_.bitChars);
    std::int64_t ticks = Data(g, 2) + 256 * Data(g, 3);
    if ((g.rec_.LenCode & 7) == 6) ticks += 65536 * (Data(g, 4) >> 4);
    Duration(g, out, ticks * 10);
    AppendBits(out, Data(g, 4) & 0x0F, 4, g.s_.bitChars);
}

void LineGenerator::Impl::Logical(LineGenerator& g, std::string& out) {
    const TTelegram& r = g.rec_;
    const int t = r.TelNo;
    const int kind = r.DataKind & 3;
    const int lc = r.LenCode & 7;
    const int cls = r.InfoClass;
    const char dec = g.s_.decimal;
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
            AppendInt(out, b);
        }
        if (w == 0) out += T(g, txt::kNoBitSet);
    } else if (t >= 512 && t <= 1015 && kind != 0 && lc != 0 && lc != 2) {
        Values(g, out);
    } else if (t == 513 && kind == 0 && lc == 2) {
        out += "   ";
        AppendBits(out, d(0) >> 5, 3, g.s_.bitChars, 0);
        out += T(g, txt::kSeqNumberLabel);
        AppendInt(out, d(0) & 0x1F);
    } else if (t == 515 && kind == 0 && lc == 6) {
        AppendFormat(out, T(g, txt::kStationStateFormat),
                     {d(0) >> 7, d(0) & 0x7F, d(1), d(2), d(3), d(4)}, dec);
    } else if (t == 767 && kind == 0 && lc == 4) {
        AppendFormat(out, T(g, txt::kObjectFormat),
                     {d(0) + 256 * (d(1) & 3), (d(1) >> 2) & 7, d(1) >> 7, (d(1) >> 6) & 1}, dec);
        AppendBits(out, d(2), 8, g.s_.bitChars);
        AppendFormat(out, T(g, txt::kGroupFormat), {(d(3) >> 4) & 7, d(3) & 15, d(3) >> 7}, dec);
    } else if (t == 770 && kind == 0 && lc == 6) {
        AppendFormat(out, T(g, txt::kDateTimeFormat), {d(0), d(1), d(2), d(3), d(4), d(5)}, dec);
    } else if (t == 770 && kind == 0 && (lc == 0 || lc == 4)) {
        Duration(g, out, static_cast<std::int64_t>(d(0) + 256 * d(1)) * 10);
    } else if (cls == 19 && kind == 1 && lc == 0) {
        AppendBits(out, d(0), 8, g.s_.bitChars);
        AppendFormat(out, T(g, txt::kGroupFormat), {(d(1) >> 4) & 7, d(1) & 15, d(1) >> 7}, dec);
        int ones = 0;
        for (int i = 0; i < 6; ++i) ones += std::popcount(FrameAt(r, g.s_.userDataOffset + i));
        // Only an odd parity is worth a word; the text before it is a format, not a word.
        if (ones % 2 == 1) out += T(g, txt::kParityOdd);
    } else if (cls == 15 && (kind == 1 || kind == 3) && lc == 4) {
        for (int i = 0; i < 4; ++i) {
            const std::size_t start = out.size();
            AppendBits(out, d(i) >> 6, 2, g.s_.bitChars, 0);
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
            AppendGrouped(out, value, g.s_.thousands, 9);
        } else {
            out += T(g, txt::kNotBcd);
            AppendFormat(out, "%07X", {low});
        }
    } else {
        AppendGrouped(out, low, g.s_.thousands, 9);
    }
    AppendFormat(out, T(g, txt::kCounterFlagsFormat),
                 {w >> 31, w >> 30 & 1, w >> 29 & 1, w >> 28 & 1}, g.s_.decimal);
}

void LineGenerator::Impl::Values(LineGenerator& g, std::string& out) {
    const int lc = g.rec_.LenCode & 7;
    if (g.s_.general.Type17Option == 1 && lc >= 6) {
        Words(g, out, (g.dataBits_ + 7) / 16);
        const int b = Data(g, 8);
        const std::size_t start = out.size();
        AppendBits(out, b >> 6, 2, g.s_.bitChars, 0);
        AppendInt(out, b & 0x3F, 4);
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
        AppendInt(out, v);
        out.push_back('=');
        AppendInt(out, RoundedPercent(v, g.s_.general.Scale8));
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
        AppendInt(out, v);
        if ((w & 1) != 0) out += flag;
        out.push_back('=');
        AppendInt(out, RoundedPercent(v, g.s_.general.Scale11));
        out += T(g, txt::kPercentUnit);
        AlignRightFrom(out, start, 14);
        AppendBlanks(out, 10);
    }
}

void LineGenerator::Impl::LinePrefix(LineGenerator& g, std::string& out, int k, int first,
                                     int last) {
    if (k == 0) {
        out += g.SourceName(g.rec_);
        AppendRange(out, first, last, 10);
    } else {
        AppendRange(out, first, last, 12);
    }
}

void LineGenerator::Impl::ValueLine(LineGenerator& g, int k) {
    const TTelegram& r = g.rec_;
    const int c = FrameAt(r, kCountByte);
    const int first = kValuesPerLine * k;
    const int last = std::min(first + kValuesPerLine - 1, c - 2);
    const int n = last - first + 1;
    const bool variant1 = g.s_.Variant() == 1;
    const int wordBase = r.Status == kStatusValueListOwnWord ? 4 : 5;
    std::string& values = g.scratch_;
    values.clear();
    std::string one;
    int check = 0;
    for (int i = 0; i < n; ++i) {
        const std::uint16_t w = Word(r, 2 * (first + i + wordBase));
        if ((w & 0x4000) != 0) check += variant1 ? 1 << i : 1 << (7 - i);
        if (variant1) {
            // The monitor lists these values from right to left.
            one.clear();
            AppendMeasured(one, g.ctx_.texts, w, g.s_.decimal);
            values.insert(0, one);
        } else {
            AppendMeasured(values, g.ctx_.texts, w, g.s_.decimal);
        }
    }
    if (variant1 && n < kValuesPerLine) AlignRightFrom(values, 0, 65);
    std::string& out = g.out_;
    if (variant1) {
        AppendBits(out, static_cast<std::uint32_t>(check), n, g.s_.bitChars);
    } else if ((r.DataKind & 3) != 0) {
        one.clear();
        AppendBits(one, static_cast<std::uint32_t>(check), 8, g.s_.bitChars, 0);
        one.erase(std::remove(one.begin(), one.end(), ' '), one.end());
        one.resize(static_cast<std::size_t>(n));
        one.resize(8, ' ');
        one.insert(4, 1, ' ');
        AppendRight(out, one, 12);
    }
    LinePrefix(g, out, k, first + 1, last + 1);
    out += values;
}

void LineGenerator::Impl::BitBytesLine(LineGenerator& g, int k) {
    const int start = UserDataStart(g.s_);
    const int count = UserDataCount(g.s_, g.frameLen_);
    const int first = kBitBytesPerLine * k;
    const int last = std::min(first + kBitBytesPerLine, count) - 1;
    std::string& out = g.out_;
    LinePrefix(g, out, k, first + 1, last + 1);
    const int variant = g.s_.Variant();
    const int lastBits = FrameAt(g.rec_, kCountByte) & 7;
    for (int i = first; i <= last; ++i) {
        int bits = 8;
        if ((variant == 0 || variant == 1) && i == count - 1 && lastBits != 0) bits = lastBits;
        AppendBits(out, FrameAt(g.rec_, start + i) & ((1u << bits) - 1), bits, g.s_.bitChars);
    }
}

void LineGenerator::Impl::HexDumpLine(LineGenerator& g, int k) {
    const int first = kHexPerLine * k;
    const int n = std::min(kHexPerLine, g.frameLen_ - first);
    std::string& out = g.out_;
    LinePrefix(g, out, k, first + 1, first + n);
    const std::size_t field = out.size();
    AppendHexBytes(out, g.rec_.Frame + first, n);
    AppendBlanks(out, static_cast<int>(field + 52 - out.size()));
    AppendByteChars(out, g.rec_.Frame + first, n);
    AppendBlanks(out, static_cast<int>(field + 70 - out.size()));
}

void LineGenerator::Impl::ExportLine(LineGenerator& g) {
    std::string& out = g.out_;
    const TTelegram& r = g.rec_;
    const char sep = g.s_.separator;
    const auto field = [&out, sep](auto v) {
        AppendInt(out, static_cast<std::int64_t>(v));
        out.push_back(sep);
    };
    field(g.runningNumber_);
    out += g.SourceName(r);
    out.push_back(sep);
    out.push_back(sep);
    std::int64_t day = 0;
    std::int64_t ms = 0;
    SplitTime(r.Time, day, ms);
    if (day != g.dateDay_) {
        g.dateDay_ = static_cast<double>(day);
        g.dateText_.clear();
        AppendShortDate(g.dateText_, day, g.s_.dayFirst);
    }
    out += g.dateText_;
    out.push_back(sep);
    AppendTimeOfDay(out, ms, false);
    out.push_back(sep);
    field(ms % 1000);
    field(r.Kind);
    StatusText(g, out);
    out.push_back(sep);
    if (g.frameLen_ == 0) return;
    const LinkLayout layout = Layout(g.s_);
    if (r.Kind == kind::kValueList) {
        const int c = FrameAt(r, kCountByte);
        for (int i = 4; i <= c + 3; ++i) {
            const std::size_t start = out.size();
            AppendMeasured(out, g.ctx_.texts, Word(r, 2 * i), g.s_.decimal, 0);
            if (out[start] == ' ') out.erase(start, 1);
            out.push_back(sep);
        }
    } else if (r.Kind == kind::kVariable) {
        const int p = StationPos(r, layout);
        field(FrameAt(r, p) >> 7);
        field(r.Station);
        if (IsShort(r, layout)) {
            field(ShortFunction(r, layout));
            return;
        }
        field(r.DataKind & 3);
        field(SequenceFlag(r, layout) ? 1 : 0);
        field(SequenceNumber(r, layout));
        field(FrameAt(r, p + 3) >> 5);
        field(r.LenCode & 7);
        field(r.TelNo);
        for (int i = 0; i < (g.dataBits_ + 7) / 8; ++i) field(Data(g, i));
    }
}

}  // namespace vadrix
