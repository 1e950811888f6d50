#include "interpret/LineGenerator.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#include "app/Context.h"
#include "channel/LinkFields.h"
#include "common/TextFormat.h"
#include "common/TextIds.h"
#include "interpret/Descriptions.h"
#include "interpret/InterpretImpl.h"
#include "interpret/InterpretText.h"
#include "log/LogFileLayout.h"

namespace vadrix {

using namespace interp;

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

const InterpretSettings LineGenerator::kDefaultSettings{};

namespace {

// Seconds with three decimals as the general formatter writes "%1.3f" (no sign for a negative
// zero, values from 1e100 on shown as 1e100), without its parsing and printf: most headers
// have one.
void AppendSeconds(std::string& out, double seconds, char decimal) {
    constexpr double kLargest = 1e100;
    const double shown = std::fabs(seconds) < kLargest ? std::fabs(seconds) : kLargest;
    char buf[128];
    const auto r = std::to_chars(buf, buf + sizeof buf, shown, std::chars_format::fixed, 3);
    if (r.ec != std::errc{}) return;
    if (std::signbit(seconds) && seconds != 0) out.push_back('-');
    out.append(buf, r.ptr);
    out[out.size() - 4] = decimal;
}

// The export line's numbers, each followed by the separator, gathered in a small buffer and
// appended together: a telegram has some twenty of them.
class ExportFields {
  public:
    ExportFields(std::string& out, char sep) : out_(out), sep_(sep) {}
    ~ExportFields() { Flush(); }
    ExportFields(const ExportFields&) = delete;
    ExportFields& operator=(const ExportFields&) = delete;
    void Add(std::int64_t v) {
        if (n_ > sizeof buf_ - kMaxField) Flush();
        n_ = static_cast<std::size_t>(std::to_chars(buf_ + n_, buf_ + sizeof buf_, v).ptr - buf_);
        buf_[n_++] = sep_;
    }
    void Flush() {
        out_.append(buf_, n_);
        n_ = 0;
    }

  private:
    static constexpr std::size_t kMaxField = 21;  // "-9223372036854775808" and the separator
    std::string& out_;
    char sep_;
    char buf_[256];
    std::size_t n_ = 0;
};

}  // namespace

// The parts of the lines; a friend of the generator so the parts read its state directly.

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
    settings_ = &s;
    // Damaged records may claim any length: the frame is read no further than the buffer,
    // and what lies behind the stated length reads as zero. Only the part of the frame that
    // a record before left non-zero is cleared.
    frameLen_ = ClampFrameLen(rec.FrameLen);
    std::memcpy(&rec_, &rec, TTelegram::kHeadSize + static_cast<std::size_t>(frameLen_));
    if (dirtyFrame_ > frameLen_)
        std::fill(rec_.Frame + frameLen_, rec_.Frame + dirtyFrame_, std::uint8_t{0});
    dirtyFrame_ = frameLen_;
    previousTime_ = previousTime;
    runningNumber_ = runningNumber;
    line_ = 0;
    continuation_.clear();
    contIndent_ = 0;
    descIndex_ = -1;
    dataBits_ = kDataBits[rec_.LenCode & 7];
    plan_ = MakePlan(Settings(), rec_);
    ++prepared_;

    const LinkLayout layout = Layout(Settings());
    if (rec_.Kind == kind::kVariable && rec_.Status == status::kGood && desc_ != nullptr) {
        descIndex_ = desc_->Find(rec_.TelNo, rec_.DataKind & 3, SequenceNumber(rec_, layout) != 0);
        if (rec_.InfoClass == 0)
            rec_.InfoClass = static_cast<std::uint8_t>(desc_->Class(descIndex_));
    }
    // The class is settled here, not only while a header line is made, so that a telegram
    // decodes the same with the time line on or off.
    if (rec_.Kind == kind::kVariable && rec_.Status >= 27 && rec_.InfoClass == 0 &&
        !IsShort(rec_, layout)) {
        const int c =
            DeriveClass(rec_.TelNo, rec_.DataKind & 3, rec_.LenCode & 7,
                        SequenceNumber(rec_, layout) != 0, Settings().general.Type17Option);
        rec_.InfoClass = static_cast<std::uint8_t>(c + 1);
    }

    const bool faulty = rec_.Status < status::kGood || rec_.Kind == kind::kEvent;
    const int pair = faulty ? 5 : (rec_.Source >= 1 && rec_.Source <= 4) ? rec_.Source - 1 : 4;
    std::uint8_t font = Settings().colours[pair][0];
    std::uint8_t background = Settings().colours[pair][1];
    if (descIndex_ >= 0 && rec_.Status >= status::kGood) {
        const DescColourPair c = desc_->Colours(descIndex_);
        if (c.font != 0) font = c.font;
        if (c.background != 0) background = c.background;
    }
    colourPair_ = static_cast<std::uint16_t>(font | (background << 8));
}

std::string LineGenerator::NextLine() {
    MakeLine();
    return out_;
}

bool LineGenerator::NextLine(std::string& out) {
    MakeLine();
    out += out_;
    return !out_.empty();
}

void LineGenerator::MakeLine() {
    ++line_;
    out_.clear();
    if (Settings().format == DisplayFormat::afCsv) {
        if (line_ == 1) Impl::ExportLine(*this);
    } else if (line_ == 1 && plan_.header) {
        Impl::Header(*this);
    } else {
        if (line_ == 1) ++line_;
        Impl::DataLine(*this, line_ - 2);
    }
    if (out_.size() > kMaxLine) out_.resize(kMaxLine);
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
    AppendGrouped(out, g.runningNumber_, g.Settings().thousands, 2);
    AppendBlanks(out, 17 - static_cast<int>(out.size()));
    std::int64_t day = 0;
    std::int64_t ms = 0;
    SplitTime(r.Time, day, ms);
    AppendTimeOfDay(out, ms, true);
    if (r.Kind == kind::kValueList && r.Status != kStatusValueListOwnWord) {
        const std::uint16_t w = Word(r, kFirstWord);
        out += T(g, txt::kValueListPrefix);
        AppendMeasured(out, g.ctx_.texts, w, g.Settings().decimal);
        out += T(g, w < 32768 ? txt::kValueListLow : txt::kValueListHigh);
        if (FrameAt(r, kCountByte) == 1) {
            out += "  ";
            out += g.SourceName(r);
        }
    } else if (r.Kind != kind::kEvent && g.previousTime_ != 0) {
        double seconds = (r.Time - g.previousTime_) * 86400.0;
        if (!std::isfinite(seconds)) seconds = 0;
        out += "  d=";
        AppendSeconds(out, seconds, g.Settings().decimal);
        out.push_back('s');
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
            AppendNum(out, r.Station);
            return;
        default:
            // Codes past the status texts would name unrelated texts.
            out += T(g, txt::kStatusTextBase + (r.Status <= kLastStatusText ? r.Status : 0));
            return;
    }
}

// Channel function, protocol variant and traffic kind of a port record. The monitoring
// variants have words of their own; the terminal and the programming window are named by
// their items in the general settings' protocol list. A value beyond its words (a damaged
// record) names nothing rather than a neighbouring text.
void LineGenerator::Impl::AppendPortSetUp(LineGenerator& g, std::string& out) {
    const TTelegram& r = g.rec_;
    const std::uint16_t function = Word(r, kPortFunction);
    const std::uint16_t variant = Word(r, kPortVariant);
    const std::uint16_t traffic = Word(r, kPortTraffic);
    if (function < kPortFunctions) out += T(g, txt::kFunctionItemBase + function);
    if (variant < kMonitoringVariants) {
        out += T(g, txt::kPortVariantBase + variant);
    } else if (variant < kProtocolVariants) {
        out += kPortPartSeparator;
        out += T(g, txt::kProtocolList + kChoiceItemsFrom + variant);
    }
    if (traffic < kTrafficKinds) out += T(g, txt::kPortTrafficBase + traffic);
}

void LineGenerator::Impl::PortEvent(LineGenerator& g, std::string& out) {
    const TTelegram& r = g.rec_;
    const char dec = g.Settings().decimal;
    AppendFormat(out, T(g, txt::kStatusTextBase + r.Status), {r.Station}, dec);
    bool thirdSource = false;
    if (g.frameLen_ > kPortParamsFrom) {
        AppendPortSetUp(g, out);
        out += T(g, txt::kPortBaud);
        AppendNum(out, static_cast<std::int32_t>(Dword(r, kPortBaud)));
        if (static_cast<std::int32_t>(Dword(r, kPortVariant)) < 2) {
            out.push_back('/');
            AppendNum(out, static_cast<std::int32_t>(Dword(r, kPortRate2)));
            out.push_back('/');
            AppendNum(out, static_cast<std::int32_t>(Dword(r, kPortRate3)));
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
    const LinkLayout layout = Layout(g.Settings());
    out.clear();
    if (IsShort(r, layout)) {
        const int fn = ShortFunction(r, layout);
        out += g.SourceName(r);
        AppendNum(out, r.Station, 8);
        AppendNum(out, fn, 5);
        out.push_back(' ');
        out += T(g, txt::kShortFunctionBase + fn);
        if (fn == 0 && r.Station != g.Settings().noStation) out += T(g, txt::kShortNoData);
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
    const LinkLayout layout = Layout(g.Settings());
    const int p = StationPos(r, layout);
    out += g.SourceName(r);
    out += "    ";
    out += T(g, txt::kAddrFlagBase + (FrameAt(r, p) >> 7));
    if (r.DataShift != 0)
        out += "   ";
    else
        AppendNum(out, r.Station, 3);
    AppendNum(out, r.TelNo, 5);
    out += T(g, txt::kDataKindBase + (r.DataKind & 3));
    out.push_back(' ');
    out += T(g, txt::kSeqFlagBase + (SequenceFlag(r, layout) ? 1 : 0));
    AppendNum(out, SequenceNumber(r, layout), 3);
    AppendNum(out, FrameAt(r, p + 3) >> 5, 3);
    AppendNum(out, r.LenCode, 2);
}

void LineGenerator::Impl::FormatPart(LineGenerator& g, std::string& out) {
    switch (g.Settings().format) {
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
    const bool variant1 = g.Settings().Variant() == 1;
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
            AppendMeasured(one, g.ctx_.texts, w, g.Settings().decimal);
            values.insert(0, one);
        } else {
            AppendMeasured(values, g.ctx_.texts, w, g.Settings().decimal);
        }
    }
    if (variant1 && n < kValuesPerLine) AlignRightFrom(values, 0, 65);
    std::string& out = g.out_;
    if (variant1) {
        AppendBits(out, static_cast<std::uint32_t>(check), n, g.Settings().bitChars);
    } else if ((r.DataKind & 3) != 0) {
        one.clear();
        AppendBits(one, static_cast<std::uint32_t>(check), 8, g.Settings().bitChars, 0);
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
    const int start = UserDataStart(g.Settings());
    const int count = UserDataCount(g.Settings(), g.frameLen_);
    const int first = kBitBytesPerLine * k;
    const int last = std::min(first + kBitBytesPerLine, count) - 1;
    std::string& out = g.out_;
    LinePrefix(g, out, k, first + 1, last + 1);
    const int variant = g.Settings().Variant();
    const int lastBits = FrameAt(g.rec_, kCountByte) & 7;
    for (int i = first; i <= last; ++i) {
        int bits = 8;
        if ((variant == 0 || variant == 1) && i == count - 1 && lastBits != 0) bits = lastBits;
        AppendBits(out, FrameAt(g.rec_, start + i) & ((1u << bits) - 1), bits,
                   g.Settings().bitChars);
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
    const char sep = g.Settings().separator;
    ExportFields fields(out, sep);
    const auto field = [&fields](auto v) { fields.Add(static_cast<std::int64_t>(v)); };
    field(g.runningNumber_);
    fields.Flush();
    out += g.SourceName(r);
    out.push_back(sep);
    out.push_back(sep);
    std::int64_t day = 0;
    std::int64_t ms = 0;
    SplitTime(r.Time, day, ms);
    if (day != g.dateDay_) {
        g.dateDay_ = static_cast<double>(day);
        g.dateText_.clear();
        AppendShortDate(g.dateText_, day, g.Settings().dayFirst);
    }
    out += g.dateText_;
    out.push_back(sep);
    AppendTimeOfDay(out, ms, false);
    out.push_back(sep);
    field(ms % 1000);
    field(r.Kind);
    fields.Flush();
    StatusText(g, out);
    out.push_back(sep);
    if (g.frameLen_ == 0) return;
    const LinkLayout layout = Layout(g.Settings());
    if (r.Kind == kind::kValueList) {
        const int c = FrameAt(r, kCountByte);
        for (int i = 4; i <= c + 3; ++i) {
            const std::size_t start = out.size();
            AppendMeasured(out, g.ctx_.texts, Word(r, 2 * i), g.Settings().decimal, 0);
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
