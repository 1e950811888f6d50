#include "JsonRecord.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "app/Context.h"
#include "app/TimeBase.h"
#include "common/TextIds.h"
#include "common/TextTable.h"
#include "interpret/InterpretText.h"

namespace vadrix::cli {
namespace {

using Json = nlohmann::ordered_json;

// The keys in the order each object shows them.
enum Key {
    kSeq,
    kNo,
    kTime,
    kDate,
    kSource,
    kSourceName,
    kStatus,
    kStatusText,
    kKind,
    kStation,
    kTelNo,
    kDataKind,
    kLenCode,
    kClass,
    kFrame,
    kLines,
    kKeyCount
};
constexpr const char* kKeyNames[kKeyCount] = {
    "seq",  "no",      "time",  "date",     "source",  "sourceName", "status", "statusText",
    "kind", "station", "telNo", "dataKind", "lenCode", "class",      "frame",  "lines"};

void AssignUtf8(std::string& out, std::string_view cp1252) {
    const bool ascii = std::all_of(cp1252.begin(), cp1252.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii)
        out.assign(cp1252);
    else
        out = Cp1252ToUtf8(cp1252);
}

// "yyyy-mm-ddThh:mm:ss.mmm"; none for a stamp that is no time.
bool IsoTime(double time, std::string& out) {
    if (!std::isfinite(time) || time < 0 || time > 2958466.0) return false;
    std::int64_t day = 0, ms = 0;
    SplitTime(time, day, ms);
    int y = 0, m = 0, d = 0;
    DecodeDateSerial(static_cast<double>(day), y, m, d);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", y, m, d,
                  static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
                  static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
    out = buf;
    return true;
}

void AssignHex(std::string& out, const std::uint8_t* bytes, int n) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out.resize(static_cast<std::size_t>(2 * n));
    for (int i = 0; i < n; ++i) {
        out[static_cast<std::size_t>(2 * i)] = kDigits[bytes[i] >> 4];
        out[static_cast<std::size_t>(2 * i + 1)] = kDigits[bytes[i] & 15];
    }
}

}  // namespace

struct JsonRecordWriter::Impl {
    explicit Impl(const Context& c) : ctx(c), object(Json::object()) {
        for (int k = 0; k < kKeyCount; ++k) object[kKeyNames[k]] = nullptr;
        for (int k = 0; k < kKeyCount; ++k) value[k] = &object[kKeyNames[k]];
    }

    // A string member, reusing its storage from the record before.
    std::string& Text(Key k) {
        if (!value[k]->is_string()) *value[k] = std::string();
        return value[k]->get_ref<std::string&>();
    }

    void Fill(const TTelegram& rec, std::int64_t no, const std::vector<std::string>& lines) {
        *value[kSeq] = rec.SeqNo;
        *value[kNo] = no;
        *value[kTime] = rec.Time;  // a damaged stamp that is no number becomes null
        if (std::string iso; IsoTime(rec.Time, iso))
            Text(kDate) = iso;
        else
            *value[kDate] = nullptr;
        *value[kSource] = rec.Source;
        AssignUtf8(Text(kSourceName),
                   ctx.Txt(txt::kSourceNameBase + (rec.Source <= 4 ? rec.Source : 0)));
        *value[kStatus] = rec.Status;
        AssignUtf8(Text(kStatusText), ctx.Txt(txt::kStatusTextBase + rec.Status));
        *value[kKind] = rec.Kind;
        *value[kStation] = rec.Station;
        *value[kTelNo] = rec.TelNo;
        *value[kDataKind] = rec.DataKind;
        *value[kLenCode] = rec.LenCode;
        *value[kClass] = rec.InfoClass;
        const int frameLen =
            std::clamp<int>(rec.FrameLen, 0, static_cast<int>(TTelegram::kMaxFrame));
        AssignHex(Text(kFrame), rec.Frame, frameLen);
        if (!value[kLines]->is_array()) *value[kLines] = Json::array();
        Json::array_t& array = value[kLines]->get_ref<Json::array_t&>();
        array.resize(lines.size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (!array[i].is_string()) array[i] = std::string();
            AssignUtf8(array[i].get_ref<std::string&>(), lines[i]);
        }
    }

    const Context& ctx;
    Json object;
    Json* value[kKeyCount]{};
};

JsonRecordWriter::JsonRecordWriter(const Context& ctx) : impl_(std::make_unique<Impl>(ctx)) {}
JsonRecordWriter::~JsonRecordWriter() = default;

void JsonRecordWriter::Append(std::string& out, const TTelegram& rec, std::int64_t runningNumber,
                              const std::vector<std::string>& lines) {
    impl_->Fill(rec, runningNumber, lines);
    // The texts are valid UTF-8 by construction; should one not be, it must not end the run.
    out += impl_->object.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string JsonRecord(const Context& ctx, const TTelegram& rec, std::int64_t runningNumber,
                       const std::vector<std::string>& lines) {
    std::string out;
    JsonRecordWriter(ctx).Append(out, rec, runningNumber, lines);
    return out;
}

}  // namespace vadrix::cli
