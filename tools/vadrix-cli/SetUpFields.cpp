#include "SetUpFields.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "app/Context.h"
#include "common/TextIds.h"
#include "common/TextTable.h"
#include "editors/NumberText.h"
#include "editors/SendListRows.h"
#include "filters/Filter.h"

namespace vadrix::cli {
namespace {

constexpr std::int64_t kAnyInt = INT32_MAX;
constexpr std::size_t kNameChars = 27;
constexpr int kLines = 3;
constexpr int kFilterRows = 4;
// The largest value each filter row accepts: record number, frame length, station, object.
constexpr std::int64_t kFilterRowMax[kFilterRows] = {INT32_MAX, 261, 127, 1023};
// Telegrams may also hold the free bit string (77) and the level sequence (78); list rows
// only the protocol's types.
constexpr std::int64_t kLastTelegramType = 78;
constexpr std::int64_t kLastListType = 76;
constexpr std::int64_t kMaxFreeBits = 8 * 264;
constexpr std::int64_t kMaxStationNumber = 127;

template <typename T>
constexpr FieldType TypeOf() {
    if constexpr (std::is_same_v<T, std::uint8_t>) return FieldType::kU8;
    if constexpr (std::is_same_v<T, std::int8_t>) return FieldType::kI8;
    if constexpr (std::is_same_v<T, std::uint16_t>) return FieldType::kU16;
    if constexpr (std::is_same_v<T, std::int32_t>) return FieldType::kI32;
    if constexpr (std::is_same_v<T, std::uint32_t>) return FieldType::kU32;
    if constexpr (std::is_same_v<T, double>) return FieldType::kReal;
    return FieldType::kText;
}

std::size_t Width(FieldType t) {
    switch (t) {
        case FieldType::kU8:
        case FieldType::kI8:
            return 1;
        case FieldType::kU16:
            return 2;
        case FieldType::kI32:
        case FieldType::kU32:
            return 4;
        case FieldType::kReal:
            return 8;
        case FieldType::kText:
            return 1 + kNameChars;
    }
    return 0;
}

template <typename R, typename M>
std::size_t OffsetOf(M R::*member) {
    static const R probe{};
    return static_cast<std::size_t>(reinterpret_cast<const char*>(&(probe.*member)) -
                                    reinterpret_cast<const char*>(&probe));
}

std::int64_t ListCount(const Context& ctx, int listLabel) {
    int n = 0;
    const std::string_view text = ctx.Txt(listLabel + 1);
    std::from_chars(text.data(), text.data() + text.size(), n);
    return n;
}

std::byte* At(SetUpImage& image, std::size_t offset) {
    return reinterpret_cast<std::byte*>(&image) + offset;
}
const std::byte* At(const SetUpImage& image, std::size_t offset) {
    return reinterpret_cast<const std::byte*>(&image) + offset;
}

template <typename T>
T Load(const std::byte* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <typename T>
void Store(std::byte* p, std::int64_t v) {
    const auto t = static_cast<T>(v);
    std::memcpy(p, &t, sizeof t);
}

std::int64_t NumberAt(const SetUpImage& image, const Field& f, int i) {
    const std::byte* p = At(image, f.offset + static_cast<std::size_t>(i) * Width(f.type));
    switch (f.type) {
        case FieldType::kU8:
            return Load<std::uint8_t>(p);
        case FieldType::kI8:
            return Load<std::int8_t>(p);
        case FieldType::kU16:
            return Load<std::uint16_t>(p);
        case FieldType::kI32:
            return Load<std::int32_t>(p);
        case FieldType::kU32:
            return Load<std::uint32_t>(p);
        default:
            return 0;
    }
}

void PutNumber(SetUpImage& image, const Field& f, int i, std::int64_t v) {
    std::byte* p = At(image, f.offset + static_cast<std::size_t>(i) * Width(f.type));
    switch (f.type) {
        case FieldType::kU8:
            return Store<std::uint8_t>(p, v);
        case FieldType::kI8:
            return Store<std::int8_t>(p, v);
        case FieldType::kU16:
            return Store<std::uint16_t>(p, v);
        case FieldType::kI32:
            return Store<std::int32_t>(p, v);
        case FieldType::kU32:
            return Store<std::uint32_t>(p, v);
        default:
            return;
    }
}

bool Accepts(const Field& f, std::int64_t v) {
    if (!f.allowed.empty())
        return std::find(f.allowed.begin(), f.allowed.end(), v) != f.allowed.end();
    return v >= f.lo && v <= f.hi;
}

// --- Texts: CP1252 in the file, UTF-8 in double quotes in the listing --------------------

bool NeedsEscape(unsigned char c) {
    if (c < 0x20 || c == 0x7F || c == '"' || c == '\\') return true;
    // The five bytes CP1252 leaves undefined have no character to show.
    return Cp1252ToUtf8(std::string(1, static_cast<char>(c))) == "\xEF\xBF\xBD";
}

std::string Quoted(std::string_view cp1252) {
    std::string out = "\"";
    for (const char ch : cp1252) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (NeedsEscape(c)) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += Cp1252ToUtf8(std::string_view(&ch, 1));
        }
    }
    return out + "\"";
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A run of UTF-8 characters in CP1252; false when one has no place there.
bool AppendCp1252(std::string& out, std::string_view utf8) {
    const std::string converted = Utf8ToCp1252(utf8);
    if (Cp1252ToUtf8(converted) != utf8) return false;
    out += converted;
    return true;
}

// A quoted text with its escapes (\" \\ \xHH), or a bare text taken as it stands.
bool Unquoted(std::string_view text, std::string& out, std::string& reason) {
    out.clear();
    if (!text.empty() && text.front() == '"' && (text.size() < 2 || text.back() != '"')) {
        reason = "a text that begins with a double quote ends with one";
        return false;
    }
    if (text.empty() || text.front() != '"') {
        if (AppendCp1252(out, text)) return true;
        reason = "a character has no place in the program's character set (CP1252)";
        return false;
    }
    text = text.substr(1, text.size() - 2);
    std::string run;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            run += text[i];
            continue;
        }
        if (!AppendCp1252(out, run)) {
            reason = "a character has no place in the program's character set (CP1252)";
            return false;
        }
        run.clear();
        const char e = i + 1 < text.size() ? text[i + 1] : '\0';
        if (e == '"' || e == '\\') {
            out += e;
            ++i;
        } else if (e == 'x' && i + 3 < text.size() && HexValue(text[i + 2]) >= 0 &&
                   HexValue(text[i + 3]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 2]) * 16 + HexValue(text[i + 3]));
            i += 3;
        } else {
            reason = "a backslash starts \\\", \\\\ or \\xHH only";
            return false;
        }
    }
    if (AppendCp1252(out, run)) return true;
    reason = "a character has no place in the program's character set (CP1252)";
    return false;
}

// --- Reals: the shortest text that reads back to the same bits -------------------------

std::string RealText(double v) {
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc{} ? std::string(buf, end) : std::string("0");
}

std::vector<std::string_view> SplitCommas(std::string_view text) {
    std::vector<std::string_view> parts;
    if (TrimBlanks(text).empty()) return parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != ',') continue;
        parts.push_back(TrimBlanks(text.substr(start, i - start)));
        start = i + 1;
    }
    return parts;
}

std::string RangeText(const Field& f) {
    if (!f.allowed.empty()) {
        std::string s;
        for (std::size_t i = 0; i < f.allowed.size(); ++i)
            s += (i == 0                      ? ""
                  : i + 1 == f.allowed.size() ? " or "
                                              : ", ") +
                 std::to_string(f.allowed[i]);
        return s;
    }
    return std::to_string(f.lo) + " to " + std::to_string(f.hi);
}

}  // namespace

// Adds the fields of one record at a place in the image, named with a prefix.
class FieldBuilder {
  public:
    FieldBuilder(SetUpFields& table, std::string prefix, std::size_t base)
        : table_(table), prefix_(std::move(prefix)), base_(base) {}

    // A record inside this one; an empty name adds its fields under this prefix.
    FieldBuilder Sub(const std::string& name, std::size_t offset) const {
        return FieldBuilder(table_, name.empty() ? prefix_ : prefix_ + name + ".", base_ + offset);
    }

    template <typename R, typename M>
    Field& Number(const char* name, M R::*member, std::int64_t lo, std::int64_t hi) {
        Field f;
        f.key = prefix_ + name;
        f.offset = base_ + OffsetOf(member);
        if constexpr (std::is_array_v<M>) {
            f.type = TypeOf<std::remove_extent_t<M>>();
            f.count = static_cast<int>(std::extent_v<M>);
        } else {
            f.type = TypeOf<M>();
        }
        f.lo = lo;
        f.hi = hi;
        return Add(std::move(f));
    }
    template <typename R, typename M>
    Field& OneOf(const char* name, M R::*member, std::vector<std::int64_t> allowed) {
        Field& f = Number(name, member, 0, 0);
        f.allowed = std::move(allowed);
        return f;
    }
    template <typename R>
    Field& Real(const char* name, double R::*member) {
        Field f;
        f.key = prefix_ + name;
        f.offset = base_ + OffsetOf(member);
        f.type = FieldType::kReal;
        return Add(std::move(f));
    }
    template <typename R, std::size_t N>
    Field& Text(const char* name, PString<N> R::*member) {
        Field f;
        f.key = prefix_ + name;
        f.offset = base_ + OffsetOf(member);
        f.type = FieldType::kText;
        f.maxChars = N - 1;
        return Add(std::move(f));
    }

  private:
    Field& Add(Field f) {
        table_.index_.emplace(f.key, table_.fields_.size());
        table_.fields_.push_back(std::move(f));
        return table_.fields_.back();
    }

    SetUpFields& table_;
    std::string prefix_;
    std::size_t base_;
};

namespace {

void AddFilter(FieldBuilder b) {
    using F = TFilterRecord;
    b.Number("FocusIndex", &F::FocusIndex, 0, kAnyInt);
    b.OneOf("SizeMarker", &F::SizeMarker, {0, F::kSizeMarker});
    b.Number("SourceMask", &F::SourceMask, 0, 15);
    b.Number("DataKindMask", &F::DataKindMask, 0, 15);
    b.Real("FromTime", &F::FromTime);
    b.Real("ToTime", &F::ToTime);
    b.Number("FromEnabled", &F::FromEnabled, 0, 1);
    b.Number("ToEnabled", &F::ToEnabled, 0, 1);
    b.Number("ShowGood", &F::ShowGood, 0, 1);
    b.Number("ShowFaulty", &F::ShowFaulty, 0, 1);
    b.OneOf("RowCount", &F::RowCount, {0, kFilterRows});
    for (int r = 0; r < kFilterRows; ++r) {
        FieldBuilder row =
            b.Sub("row" + std::to_string(r + 1),
                  offsetof(F, Rows) + static_cast<std::size_t>(r) * sizeof(TFilterRow));
        row.OneOf("RowField", &TFilterRow::RowField, {0, 6 + r});
        row.Number("RowMode", &TFilterRow::RowMode, 0, 2);
        row.Number("RowValue1", &TFilterRow::RowValue1, 0, kFilterRowMax[r]);
        row.Number("RowCompare", &TFilterRow::RowCompare, 0, 2);
        row.Number("RowValue2", &TFilterRow::RowValue2, 0, kFilterRowMax[r]);
    }
}

void AddGeneral(FieldBuilder b, const Context& ctx) {
    using G = TGeneralParams;
    b.Number("FocusIndex", &G::FocusIndex, 0, kAnyInt);
    b.Number("ProtocolVariant", &G::ProtocolVariant, 0, 2);  // 3 and 4 are never stored
    b.Number("TrafficKind", &G::TrafficKind, 0, ListCount(ctx, txt::kTrafficKindList) - 1);
    b.Number("DataSync", &G::DataSync, 0, ListCount(ctx, txt::kDataSyncList) - 1);
    b.Number("Type17Option", &G::Type17Option, 0, ListCount(ctx, txt::kType17List) - 1);
    b.Number("Scale8", &G::Scale8, 1, 255);
    b.Number("Scale11", &G::Scale11, 1, 2047);
    // The file length in use is a 32-bit word: 4000 units of 1,024,000 bytes still fit.
    b.Number("LogSize", &G::LogSize, 1, 4000);
    AddFilter(b.Sub("DisplayFilter", offsetof(G, DisplayFilter)));
    AddFilter(b.Sub("LogFilter", offsetof(G, LogFilter)));
}

void AddLine(FieldBuilder b, const Context& ctx) {
    using L = TLineParams;
    b.Number("BitRate", &L::BitRate, 25, 2400);
    b.Number("Mv", &L::Mv, 0, ListCount(ctx, txt::kModulationList) - 1);
    b.Number("CheckCode", &L::CheckCode, 0, ListCount(ctx, txt::kCheckCodeList) - 1);
    b.Number("SpZt", &L::SpZt, 1, 100000);
    b.Number("SpPl", &L::SpPl, 0, ListCount(ctx, txt::kLockLevelList) - 1);
    b.Number("Tol", &L::Tol, 0, 50);
    b.Number("Df", &L::Df, 0, 50);
}

void AddChannel(FieldBuilder b, const Context& ctx, const std::vector<std::int64_t>& rates) {
    using C = TChannelBlock;
    b.Number("ComFocusIndex", &C::ComFocusIndex, 0, kAnyInt);
    b.Number("ComPage", &C::ComPage, 0, 1);
    b.Number("ComNumber", &C::ComNumber, 0, 64);
    std::vector<std::int64_t> bauds{0};  // 0: not set, as the monitor dialog leaves it
    bauds.insert(bauds.end(), rates.begin(), rates.end());
    b.OneOf("Baud", &C::Baud, bauds);
    b.Number("BaudIndex", &C::BaudIndex, 0, static_cast<std::int64_t>(rates.size()) - 1);
    b.Number("StationAddr", &C::StationAddr, 0, kMaxStationNumber);
    b.Number("StationCount", &C::StationCount, 0, 15);
    b.Number("PdmFocusIndex", &C::PdmFocusIndex, 0, kAnyInt);
    b.Number("PdmPage", &C::PdmPage, 0, 3);
    b.Number("Function", &C::Function, 0, ListCount(ctx, txt::kFunctionList) - 1);
    b.Number("CycleSeconds", &C::CycleSeconds, 0, 1000000);
    b.Number("InterrogationPeriodMs", &C::InterrogationPeriodMs, 0, 1000000);
    b.Number("ClassPollCount", &C::ClassPollCount, 0, 14);
    b.Number("Parity", &C::Parity, 0, ListCount(ctx, txt::kParityList) - 1);
    b.Number("DataBits", &C::DataBits, 5, 4 + ListCount(ctx, txt::kDataBitsList));
    b.Number("StopBits", &C::StopBits, 1, ListCount(ctx, txt::kStopBitsList));
    b.Number("SpikeFilter", &C::SpikeFilter, 0, ListCount(ctx, txt::kSpikeList) - 1);
    for (int i = 0; i < kLines; ++i)
        AddLine(b.Sub("line" + std::to_string(i + 1),
                      offsetof(C, Line) + static_cast<std::size_t>(i) * sizeof(TLineParams)),
                ctx);
    b.Number("AddrBytes", &C::AddrBytes, 0, ListCount(ctx, txt::kAddrBytesList) - 1);
    b.Number("LockTimeMs", &C::LockTimeMs, 0, 10000);
    b.Number("RtsLeadMs", &C::RtsLeadMs, 0, 65535);
    b.Number("RtsLagMs", &C::RtsLagMs, 0, 65535);
    b.Number("PreSendDelayMs", &C::PreSendDelayMs, 0, 65535);
    b.Number("RtsFunction", &C::RtsFunction, 0, ListCount(ctx, txt::kRtsFunctionList) - 1);
    // Any of the three modem lines DCD (0x80), DSR (0x40) and CTS (0x20).
    b.OneOf("ModemWatch", &C::ModemWatch, {0, 32, 64, 96, 128, 160, 192, 224});
}

void AddEntry(FieldBuilder b, std::int64_t lastType) {
    using E = TSendEntry;
    b.Number("TelNr", &E::TelNr, 0, 1023);
    b.Number("Akt", &E::Akt, 0, 1);
    b.Number("Lg", &E::Lg, 0, 7);
    b.Number("B", &E::B, 0, 255);
    b.Number("Da", &E::Da, 0, 3);
    b.Number("Typ", &E::Typ, 0, lastType);
    b.Number("Sys", &E::Sys, 0, 7);
}

void AddHeader(FieldBuilder b, bool list) {
    using H = TSendHeader;
    b.Text("Bez", &H::Bez);
    b.Number("FocusIndex", &H::FocusIndex, 0, kAnyInt);
    b.Number("Anst", &H::Anst, 0, 4);
    b.Number("Min", &H::Min, 0, 59);
    b.Number("AnstTNr", &H::AnstTNr, 0, 1023);
    b.Number("AnstDa", &H::AnstDa, 0, 3);
    b.Number("AnstByte", &H::AnstByte, 0, 255);
    b.Number("AnzT", &H::AnzT, 0, 100000);
    b.Number("Send", &H::Send, 1, 4);
    b.Number("AnzO", &H::AnzO, 0, 100000);
    b.Number("WZt", &H::WZt, 0, 1000000);
    // With 15 stations the station list has 16 items, the last one "no station".
    b.Number("StNr", &H::StNr, 0, 15);
    b.Number("Tge", &H::Tge, 0, 1);
    b.Number("Ueb", &H::Ueb, 0, 1);
    b.Number("Tfk", &H::Tfk, 0, 31);
    b.Number("Shft", &H::Shft, 0, 2);
    AddEntry(b.Sub("Entry", offsetof(H, Entry)), list ? kLastListType : kLastTelegramType);
    // The scheduler's state, kept in the file as the program saved it.
    b.Number("SentCount", &H::SentCount, 0, kAnyInt);
    b.Number("WaitStart", &H::WaitStart, INT32_MIN, kAnyInt);
    b.Number("SendState", &H::SendState, 0, 3);
    if (list) b.Number("NotifyWindow", &H::NotifyWindow, INT32_MIN, kAnyInt);
}

void AddTelegram(FieldBuilder b) {
    using T = TSendTelegram;
    AddHeader(b.Sub("", offsetof(T, Head)), false);
    b.Number("DataCount", &T::DataCount, 0, kMaxFreeBits);
    b.Number("Data", &T::Data, 0, 255);
}

void AddList(FieldBuilder b) {
    using L = TSendList;
    AddHeader(b.Sub("", offsetof(L, Head)), true);
    b.Number("CurRow", &L::CurRow, 0, kSendListRows);
    b.Number("CurCol", &L::CurCol, 0, 6);
    b.Number("NextRow", &L::NextRow, 0, kSendListRows);
    b.Number("RoundCount", &L::RoundCount, 0, 100000);
    for (int r = 1; r <= kSendListRows; ++r)
        AddEntry(b.Sub("row" + std::to_string(r),
                       offsetof(L, Rows) + static_cast<std::size_t>(r - 1) * sizeof(TSendEntry)),
                 kLastListType);
}

}  // namespace

SetUpFields::SetUpFields(const Context& ctx) {
    const std::int64_t bauds = ListCount(ctx, txt::kBaudList);
    for (std::int64_t i = 0; i < bauds; ++i) {
        std::int64_t rate = 0;
        const std::string_view t = ctx.Txt(txt::kBaudListBase + static_cast<int>(i));
        std::from_chars(t.data(), t.data() + t.size(), rate);
        baudRates_.push_back(rate);
    }
    AddGeneral(FieldBuilder(*this, "general.", offsetof(SetUpImage, general)), ctx);
    AddChannel(FieldBuilder(*this, "emse1.", offsetof(SetUpImage, emse1)), ctx, baudRates_);
    AddChannel(FieldBuilder(*this, "emse2.", offsetof(SetUpImage, emse2)), ctx, baudRates_);
    for (int n = 1; n <= kSendSlots; ++n)
        AddTelegram(FieldBuilder(*this, "telegram" + std::to_string(n) + ".",
                                 offsetof(SetUpImage, telegrams) +
                                     offsetof(TSendTelegramTable, Items) +
                                     static_cast<std::size_t>(n - 1) * sizeof(TSendTelegram)));
    for (int n = 1; n <= kSendSlots; ++n)
        AddList(FieldBuilder(*this, "list" + std::to_string(n) + ".",
                             offsetof(SetUpImage, lists) + offsetof(TSendListTable, Items) +
                                 static_cast<std::size_t>(n - 1) * sizeof(TSendList)));
}

const Field* SetUpFields::Find(std::string_view key) const {
    const auto it = index_.find(std::string(key));
    return it == index_.end() ? nullptr : &fields_[it->second];
}

std::string SetUpFields::Value(const SetUpImage& image, const Field& f) const {
    if (f.type == FieldType::kText) {
        PString<1 + kNameChars> s;
        std::memcpy(&s, At(image, f.offset), sizeof s);
        return Quoted(s.view());
    }
    if (f.type == FieldType::kReal) return RealText(Load<double>(At(image, f.offset)));
    // Arrays leave out their trailing zeros; an assignment fills them in again.
    int shown = f.count;
    while (f.count > 1 && shown > 0 && NumberAt(image, f, shown - 1) == 0) --shown;
    std::string s;
    for (int i = 0; i < shown; ++i) s += (i ? ", " : "") + std::to_string(NumberAt(image, f, i));
    return s;
}

bool SetUpFields::Assign(SetUpImage& image, const Field& f, std::string_view text,
                         std::string& reason) const {
    text = TrimBlanks(text);
    if (f.type == FieldType::kText) {
        std::string chars;
        if (!Unquoted(text, chars, reason)) return false;
        if (chars.size() > f.maxChars) {
            reason = "a text of at most " + std::to_string(f.maxChars) + " characters";
            return false;
        }
        PString<1 + kNameChars> s;
        s.assign(chars);
        std::memcpy(At(image, f.offset), &s, sizeof s);
        return true;
    }
    if (f.type == FieldType::kReal) {
        double v = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (ec != std::errc{} || end != text.data() + text.size() || !std::isfinite(v)) {
            reason = "'" + std::string(text) + "' is no number; accepted: " + Accepted(f);
            return false;
        }
        std::memcpy(At(image, f.offset), &v, sizeof v);
        return true;
    }
    const auto parts = SplitCommas(text);
    if (f.count == 1 && parts.size() != 1) {
        reason = "'" + std::string(text) + "' is not one number; accepted: " + Accepted(f);
        return false;
    }
    if (parts.size() > static_cast<std::size_t>(f.count)) {
        reason = std::to_string(parts.size()) + " numbers are too many; accepted: " + Accepted(f);
        return false;
    }
    std::vector<std::int64_t> values(static_cast<std::size_t>(f.count), 0);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto v = ParseWholeInt(parts[i]);
        if (!v || !Accepts(f, *v)) {
            reason = "'" + std::string(parts[i]) + "' is not accepted; accepted: " + Accepted(f);
            return false;
        }
        values[i] = *v;
    }
    for (int i = 0; i < f.count; ++i) PutNumber(image, f, i, values[static_cast<std::size_t>(i)]);
    return true;
}

std::string SetUpFields::Accepted(const Field& f) {
    switch (f.type) {
        case FieldType::kText:
            return "a text of at most " + std::to_string(f.maxChars) +
                   " characters, in double quotes";
        case FieldType::kReal:
            return "a number (a time is days since 30.12.1899 with the time of day as fraction)";
        default:
            break;
    }
    if (f.count > 1)
        return "up to " + std::to_string(f.count) + " numbers separated by commas, each " +
               RangeText(f);
    return RangeText(f);
}

std::vector<std::string> SetUpFields::CheckTogether(const SetUpImage& image) const {
    std::vector<std::string> errors;
    for (const char* name : {"emse1", "emse2"}) {
        const TChannelBlock& c = std::string(name) == "emse1" ? image.emse1 : image.emse2;
        const std::int64_t rate = c.BaudIndex < baudRates_.size() ? baudRates_[c.BaudIndex] : 0;
        if (c.Baud != 0 && c.Baud != rate)
            errors.push_back(std::string(name) + ".Baud: " + std::to_string(c.Baud) +
                             " is not the rate of " + name + ".BaudIndex " +
                             std::to_string(c.BaudIndex) + "; accepted: 0 or " +
                             std::to_string(rate));
        for (int i = 0; i < std::clamp(c.StationCount, 0, 15); ++i)
            if (c.StationAddr[i] == 0)
                errors.push_back(std::string(name) + ".StationAddr: station " +
                                 std::to_string(i + 1) + " of " + std::to_string(c.StationCount) +
                                 " is 0; accepted: the first StationCount numbers 1 to 127");
    }
    return errors;
}

void DeriveFields(SetUpImage& image) {
    for (TSendList& l : image.lists.Items) CountActiveRows(l);
    for (TFilterRecord* f : {&image.general.DisplayFilter, &image.general.LogFilter}) {
        TFilterRecord prepared = *f;
        PrepareFilter(prepared);
        f->FilterActive = prepared.FilterActive;
    }
}

namespace {

bool DefaultRow(const SetUpImage& image, const Field& f) {
    static const TSendEntry kDefault{};
    return std::memcmp(At(image, f.offset - offsetof(TSendEntry, TelNr)), &kDefault,
                       sizeof kDefault) == 0;
}

bool IsRowField(const Field& f) {
    return f.key.find(".row") != std::string::npos && f.key.rfind("list", 0) == 0;
}

}  // namespace

std::string Listing(const SetUpImage& image, const SetUpFields& fields, bool allRows) {
    std::string out =
        "# Simulation set-up: general parameters, channels emse1 and emse2, send telegrams\n"
        "# telegram1..12 and send lists list1..12. Numbers of an array are a comma list whose\n"
        "# zeros at the end are left out; texts stand in double quotes.\n";
    std::string section;
    bool skipRow = false;
    for (const Field& f : fields.All()) {
        const std::string head = f.key.substr(0, f.key.find('.'));
        if (head != section) {
            section = head;
            if (head.rfind("list", 0) == 0) {
                const TSendList& l = image.lists.Items[std::stoi(head.substr(4)) - 1];
                out += "# " + head + ": ActiveCount " + std::to_string(l.ActiveCount) +
                       " and LastActive " + std::to_string(l.LastActive) + " follow from the rows" +
                       (allRows ? "" : "; rows not listed hold the default entry") + "\n";
            }
        }
        if (IsRowField(f) && f.key.ends_with(".TelNr")) skipRow = !allRows && DefaultRow(image, f);
        if (IsRowField(f) && skipRow) continue;
        const std::string value = fields.Value(image, f);
        out += f.key + (value.empty() ? " =\n" : " = " + value + "\n");
    }
    return out;
}

}  // namespace vadrix::cli
