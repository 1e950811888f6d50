#include "editors/SendTextFile.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "common/FileWrite.h"
#include "common/TextFormat.h"
#include "editors/NumberText.h"
#include "editors/TypeCodes.h"
#include "interpret/Descriptions.h"

namespace vadrix {

namespace {

constexpr char kCrLf[] = "\r\n";

// Fields of a telegram line in the log's export format, counted from the record number at 0.
namespace exportfield {
constexpr std::size_t kDataKind = 10;
constexpr std::size_t kSequence = 12;
constexpr std::size_t kGroup = 13;
constexpr std::size_t kLenCode = 14;
constexpr std::size_t kTelNr = 15;
constexpr std::size_t kFirstByte = 16;
}  // namespace exportfield

std::vector<std::string_view> Fields(std::string_view line, char sep) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != sep) continue;
        fields.push_back(line.substr(start, i - start));
        start = i + 1;
    }
    fields.push_back(line.substr(start));  // what follows the last separator
    return fields;
}

int Separators(std::string_view line, char sep) {
    return static_cast<int>(std::count(line.begin(), line.end(), sep));
}

std::optional<std::int64_t> FieldValue(const std::vector<std::string_view>& f, std::size_t i,
                                       std::int64_t lo, std::int64_t hi) {
    if (i >= f.size()) return std::nullopt;
    return ParseIntInRange(TrimBlanks(f[i]), lo, hi);
}

// The first line of text, without its line end; text keeps what follows.
std::string_view TakeLine(std::string_view& text) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) lines.push_back(TakeLine(text));
    return lines;
}

// A number and its separator, written straight into the text: a list file has four hundred
// rows of fifteen numbers, and copying them out must not build a string for each.
void AppendField(std::string& s, std::int64_t value, char sep) {
    AppendInt(s, value);
    s += sep;
}

template <typename... T>
void AppendJoined(std::string& s, char sep, T... values) {
    (AppendField(s, values, sep), ...);
}

struct HeaderField {
    std::int32_t TSendHeader::*field;
    std::int64_t lo, hi;
};

// The integer fields of the header line, in their order.
constexpr std::array<HeaderField, 10> kHeadInts1 = {{
    {&TSendHeader::Anst, 0, 4},
    {&TSendHeader::Min, 0, 59},
    {&TSendHeader::AnstTNr, 0, 1023},
    {&TSendHeader::AnstDa, 0, 3},
    {&TSendHeader::AnstByte, 0, 255},
    {&TSendHeader::AnzT, 0, 100000},
    {&TSendHeader::Send, 1, 4},
    {&TSendHeader::AnzO, 0, 100000},
    {&TSendHeader::WZt, 0, 100000},
    {nullptr, 0, 77},  // Typ, in the entry
}};
constexpr std::array<HeaderField, 4> kHeadInts2 = {{
    {&TSendHeader::StNr, 0, 14},
    {&TSendHeader::Tge, 0, 1},
    {&TSendHeader::Tfk, 0, 31},
    {&TSendHeader::Ueb, 0, 1},
}};

}  // namespace

int DerivedRowType(const TSendEntry& e, bool sequenced, int type17Option) {
    const int derived = DeriveClass(e.TelNr, e.Da, e.Lg, sequenced, type17Option);
    return std::clamp(derived, 0, kLastListType);
}

std::string HeaderLine(const TSendHeader& h, char sep) {
    std::string s = h.Bez.str() + sep;
    AppendJoined(s, sep, h.Anst, h.Min, h.AnstTNr, h.AnstDa, h.AnstByte, h.AnzT, h.Send, h.AnzO,
                 h.WZt, int{h.Entry.Typ}, h.StNr, h.Tge, h.Tfk, h.Ueb, int{h.Entry.Da},
                 int{h.Entry.Sys}, int{h.Entry.TelNr}, int{h.Entry.Lg});
    return s;
}

bool ReadHeaderLine(std::string_view line, char sep, TSendHeader& h) {
    if (Separators(line, sep) < kMinHeaderSeparators) return false;
    const auto f = Fields(line, sep);
    TSendHeader copy = h;
    copy.Bez.assign(f[0]);
    std::size_t i = 1;
    for (const HeaderField& hf : kHeadInts1) {
        const auto v = FieldValue(f, i++, hf.lo, hf.hi);
        if (!v) return false;
        if (hf.field)
            copy.*hf.field = static_cast<std::int32_t>(*v);
        else
            copy.Entry.Typ = static_cast<std::int8_t>(*v);
    }
    for (const HeaderField& hf : kHeadInts2) {
        const auto v = FieldValue(f, i++, hf.lo, hf.hi);
        if (!v) return false;
        copy.*hf.field = static_cast<std::int32_t>(*v);
    }
    const auto da = FieldValue(f, i++, 0, 3);
    const auto sys = FieldValue(f, i++, 0, 7);
    const auto telNr = FieldValue(f, i++, 0, 1023);
    const auto lg = FieldValue(f, i++, 0, 7);
    if (!da || !sys || !telNr || !lg) return false;
    copy.Entry.Da = static_cast<std::uint8_t>(*da);
    copy.Entry.Sys = static_cast<std::uint8_t>(*sys);
    copy.Entry.TelNr = static_cast<std::uint16_t>(*telNr);
    copy.Entry.Lg = static_cast<std::uint8_t>(*lg);
    h = copy;
    return true;
}

void AppendEntryLine(std::string& s, const TSendEntry& e, char sep) {
    AppendJoined(s, sep, int{e.Akt}, int{e.Typ}, int{e.Da}, int{e.Sys}, int{e.TelNr}, int{e.Lg});
    for (std::uint8_t b : e.B) AppendField(s, b, sep);
}

std::string EntryLine(const TSendEntry& e, char sep) {
    std::string s;
    AppendEntryLine(s, e, sep);
    return s;
}

namespace {

bool ReadPlainEntry(const std::vector<std::string_view>& f, TSendEntry& e) {
    const auto akt = FieldValue(f, 0, 0, 1);
    const auto typ = FieldValue(f, 1, 0, 76);
    const auto da = FieldValue(f, 2, 0, 3);
    const auto telNr = FieldValue(f, 4, 0, 1023);
    const auto lg = FieldValue(f, 5, 0, 7);
    if (!akt || !typ || !da || !telNr || !lg) return false;
    e.Akt = static_cast<std::uint8_t>(*akt);
    e.Typ = static_cast<std::int8_t>(*typ);
    e.Da = static_cast<std::uint8_t>(*da);
    e.Sys = static_cast<std::uint8_t>(FieldValue(f, 3, 0, 7).value_or(0));
    e.TelNr = static_cast<std::uint16_t>(*telNr);
    e.Lg = static_cast<std::uint8_t>(*lg);
    for (std::size_t k = 0; k < 9; ++k)
        e.B[k] = static_cast<std::uint8_t>(FieldValue(f, 6 + k, 0, 255).value_or(0));
    return true;
}

// A telegram line of the tabular text; fields are numbered from 1 there.
bool ReadTabularEntry(const std::vector<std::string_view>& f, TSendEntry& e, int type17Option) {
    using namespace exportfield;
    const auto telNr = FieldValue(f, kTelNr, 0, 1023);
    const auto lg = FieldValue(f, kLenCode, 0, 7);
    const auto da = FieldValue(f, kDataKind, 0, 3);
    const auto group = FieldValue(f, kGroup, 0, 7);
    const auto sequence = FieldValue(f, kSequence, 0, 0xFFFF);
    if (!telNr || !lg || !da || !group || !sequence) return false;
    TSendEntry r = e;
    r.TelNr = static_cast<std::uint16_t>(*telNr);
    r.Lg = static_cast<std::uint8_t>(*lg);
    r.Da = static_cast<std::uint8_t>(*da);
    r.Sys = static_cast<std::uint8_t>(*group);
    for (std::size_t k = 0; k < 9; ++k)
        r.B[k] = static_cast<std::uint8_t>(FieldValue(f, kFirstByte + k, 0, 255).value_or(0));
    r.Akt = 1;
    r.Typ = static_cast<std::int8_t>(DerivedRowType(r, *sequence != 0, type17Option));
    e = r;
    return true;
}

}  // namespace

bool ReadEntryLine(std::string_view& text, char sep, TSendEntry& e, int type17Option) {
    const std::string_view line = TakeLine(text);
    const int n = Separators(line, sep);
    if (n < 15) return false;
    const auto f = Fields(line, sep);
    if (n <= 16) return ReadPlainEntry(f, e);
    return ReadTabularEntry(f, e, type17Option);
}

std::string DataLine(const TSendTelegram& t, char sep) {
    const int count = std::clamp(t.DataCount, 0, static_cast<std::int32_t>(sizeof t.Data));
    std::string s;
    AppendField(s, t.DataCount, sep);
    for (int i = 0; i < count; ++i) AppendField(s, t.Data[i], sep);
    return s;
}

bool ReadDataLine(std::string_view line, char sep, TSendTelegram& t) {
    const auto f = Fields(line, sep);
    const auto count = FieldValue(f, 0, 0, kMaxDataLineCount);
    if (!count) return false;
    t.DataCount = static_cast<std::int32_t>(*count);
    for (std::size_t i = 0; i < static_cast<std::size_t>(*count); ++i) {
        const auto v = FieldValue(f, i + 1, 0, 255);
        if (!v) break;
        t.Data[i] = static_cast<std::uint8_t>(*v);
    }
    return true;
}

std::string TelegramFileText(const TSendTelegram& t, char sep) {
    return HeaderLine(t.Head, sep) + kCrLf + EntryLine(t.Head.Entry, sep) + kCrLf +
           DataLine(t, sep) + kCrLf;
}

bool ApplyTelegramFileText(std::string_view text, char sep, TSendTelegram& t, int type17Option) {
    const auto lines = Lines(text);
    if (lines.size() < 3) return false;
    ReadHeaderLine(lines[0], sep, t.Head);
    std::string_view entry = lines[1];
    ReadEntryLine(entry, sep, t.Head.Entry, type17Option);
    ReadDataLine(lines[2], sep, t);
    return true;
}

std::string ListFileText(const TSendList& l, char sep) {
    constexpr std::size_t kLongestEntryLine = 15 * 7 + 2;
    std::string s = HeaderLine(l.Head, sep) + kCrLf;
    s.reserve(s.size() + std::size(l.Rows) * kLongestEntryLine);
    for (const TSendEntry& row : l.Rows) {
        AppendEntryLine(s, row, sep);
        s += kCrLf;
    }
    return s;
}

bool ApplyListFileText(std::string_view text, char sep, TSendList& l, int type17Option) {
    const auto lines = Lines(text);
    if (lines.empty()) return false;
    ReadHeaderLine(lines[0], sep, l.Head);
    int row = 1;
    const std::size_t last = std::min<std::size_t>(lines.size(), kSendListRows + 1);
    for (std::size_t i = 1; i < last && row <= kSendListRows; ++i) {
        std::string_view line = lines[i];
        if (ReadEntryLine(line, sep, l.Row(row), type17Option)) ++row;
    }
    return true;
}

bool ReadTextFile(const std::filesystem::path& file, std::string& text) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return false;
    text = std::move(s);
    return true;
}

bool WriteTextFile(const std::filesystem::path& file, std::string_view text) {
    return WriteWholeFile(file, text);
}

}  // namespace vadrix
