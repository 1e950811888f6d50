#include "JsonRecord.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

#include "app/Context.h"
#include "app/TimeBase.h"
#include "common/TextFormat.h"
#include "common/TextIds.h"
#include "common/TextTable.h"
#include "interpret/InterpretText.h"

namespace vadrix::cli {
namespace {

using Json = nlohmann::json;

constexpr int kLastStatusText = 64;  // the status texts run from 432 to 496

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Printable ASCII without quote or backslash stands in a JSON string as it is.
bool NeedsNoEscape(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return c >= 0x20 && c < 0x7F && c != '"' && c != '\\'; });
}

// A string member. Most texts are plain and go out as they are; anything else the JSON
// library escapes (a byte sequence that is no UTF-8 becomes the replacement character).
void AppendString(std::string& out, std::string_view utf8) {
    if (NeedsNoEscape(utf8)) {
        out += '"';
        out += utf8;
        out += '"';
        return;
    }
    out += Json(std::string(utf8)).dump(-1, ' ', false, Json::error_handler_t::replace);
}

void AppendText(std::string& out, std::string_view cp1252) {
    if (IsAscii(cp1252))
        AppendString(out, cp1252);
    else
        AppendString(out, Cp1252ToUtf8(cp1252));
}

template <std::size_t N, typename T>
void AppendMember(std::string& out, const char (&key)[N], T number) {
    out.append(key, N - 1);
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, number);
    out.append(buf, ec == std::errc{} ? end : buf);
}

// Writes v in exactly `digits` decimal digits at p.
char* Digits(char* p, int v, int digits) {
    for (int i = digits - 1; i >= 0; --i, v /= 10) p[i] = static_cast<char>('0' + v % 10);
    return p + digits;
}

// The time as stored: the shortest number that reads back to the same bits; null for a
// damaged stamp that is no number.
void AppendTime(std::string& out, double time) {
    out += ",\"time\":";
    if (!std::isfinite(time)) {
        out += "null";
        return;
    }
    char buf[40];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, time);
    out.append(buf, ec == std::errc{} ? end : buf);
}

// "yyyy-mm-ddThh:mm:ss.mmm"; null for a stamp that is no time.
void AppendDate(std::string& out, double time) {
    out += ",\"date\":";
    if (!std::isfinite(time) || time < 0 || time > 2958466.0) {
        out += "null";
        return;
    }
    std::int64_t day = 0, ms = 0;
    SplitTime(time, day, ms);
    int y = 0, m = 0, d = 0;
    DecodeDateSerial(static_cast<double>(day), y, m, d);
    char buf[32];
    char* p = buf;
    *p++ = '"';
    p = Digits(p, y, 4);
    *p++ = '-';
    p = Digits(p, m, 2);
    *p++ = '-';
    p = Digits(p, d, 2);
    *p++ = 'T';
    p = Digits(p, static_cast<int>(ms / 3600000), 2);
    *p++ = ':';
    p = Digits(p, static_cast<int>(ms / 60000 % 60), 2);
    *p++ = ':';
    p = Digits(p, static_cast<int>(ms / 1000 % 60), 2);
    *p++ = '.';
    p = Digits(p, static_cast<int>(ms % 1000), 3);
    *p++ = '"';
    out.append(buf, p);
}

// The text of the status code as the header line names it (a port record's text takes the
// port number); null for a code past the status texts.
void AppendStatusText(std::string& out, const Context& ctx, const TTelegram& rec) {
    if (rec.Status > kLastStatusText) {
        out += "null";
        return;
    }
    const std::string_view text = ctx.Txt(txt::kStatusTextBase + rec.Status);
    if (rec.Status == status::kPortOpened || rec.Status == status::kPortClosed)
        AppendText(out, FormatText(text, {rec.Station}));
    else
        AppendText(out, text);
}

void AppendFrame(std::string& out, const TTelegram& rec) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const int n = std::clamp<int>(rec.FrameLen, 0, static_cast<int>(TTelegram::kMaxFrame));
    out += ",\"frame\":\"";
    std::size_t at = out.size();
    out.resize(at + 2 * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        out[at++] = kDigits[rec.Frame[i] >> 4];
        out[at++] = kDigits[rec.Frame[i] & 15];
    }
    out += '"';
}

}  // namespace

void JsonRecordWriter::Append(std::string& out, const TTelegram& rec, std::int64_t runningNumber,
                              const std::vector<std::string>& lines) {
    const Context& ctx = ctx_;
    AppendMember(out, "{\"seq\":", rec.SeqNo);
    AppendMember(out, ",\"no\":", runningNumber);
    AppendTime(out, rec.Time);
    AppendDate(out, rec.Time);
    AppendMember(out, ",\"source\":", int{rec.Source});
    out += ",\"sourceName\":";
    AppendText(out, ctx.Txt(txt::kSourceNameBase + (rec.Source <= 4 ? rec.Source : 0)));
    AppendMember(out, ",\"status\":", int{rec.Status});
    out += ",\"statusText\":";
    AppendStatusText(out, ctx, rec);
    AppendMember(out, ",\"kind\":", int{rec.Kind});
    AppendMember(out, ",\"station\":", int{rec.Station});
    AppendMember(out, ",\"telNo\":", int{rec.TelNo});
    AppendMember(out, ",\"dataKind\":", int{rec.DataKind});
    AppendMember(out, ",\"lenCode\":", int{rec.LenCode});
    AppendMember(out, ",\"class\":", int{rec.InfoClass});
    AppendFrame(out, rec);
    out += ",\"lines\":[";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i != 0) out += ',';
        AppendText(out, lines[i]);
    }
    out += "]}";
}

std::string JsonRecord(const Context& ctx, const TTelegram& rec, std::int64_t runningNumber,
                       const std::vector<std::string>& lines) {
    std::string out;
    JsonRecordWriter(ctx).Append(out, rec, runningNumber, lines);
    return out;
}

}  // namespace vadrix::cli
