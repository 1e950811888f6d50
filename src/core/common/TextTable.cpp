#include "common/TextTable.h"

#include <cstdio>
#include <system_error>
#include <fstream>
#include <iterator>

namespace vadrix {

namespace {

// CR LF, CR or LF end a line; a terminator at the very end opens no further line.
std::vector<std::string_view> SplitLines(std::string_view s) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        const char c = s[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(s.substr(start, i - start));
            i += (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < s.size()) lines.push_back(s.substr(start));
    return lines;
}

// The number field: leading blanks and zeros allowed, then digits to the end of the field.
bool ParseNumberField(std::string_view field, int& value) {
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ') ++i;
    if (i == field.size()) return false;
    value = 0;
    for (; i < field.size(); ++i) {
        if (field[i] < '0' || field[i] > '9') return false;
        value = value * 10 + (field[i] - '0');
    }
    return true;
}

std::string FormatError(TextLoadError e, int line, std::string_view detail) {
    char number[16];
    std::snprintf(number, sizeof number, "%5d", line);
    std::string msg(TextLoadErrorMessage(e));
    msg += number;
    msg += "\r\n";
    msg += detail;
    return msg;
}

constexpr char32_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char ToCp1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == cp && cp != 0xFFFD) return static_cast<char>(0x80 + i);
    return '?';
}

}  // namespace

std::string_view TextLoadErrorMessage(TextLoadError e) {
    switch (e) {
        case TextLoadError::kNone:
            return "";
        case TextLoadError::kMemory:
            return "Error on memory allocation";
        case TextLoadError::kMissing:
            return "Program text missing/wrong";
        case TextLoadError::kNumberWrong:
            return "Text number wrong, line:";
        case TextLoadError::kNumberJumps:
            return "Line number jumps, line:";
        case TextLoadError::kTooMuchText:
            return "Too many text, line:";
        case TextLoadError::kTooManyLines:
            return "Too many lines, line:";
    }
    return "";
}

TTextTable::TTextTable() {
    ResetIndex();
}

void TTextTable::ResetIndex() {
    // Each number that the file does not reach reads as the first text stored, at position 0.
    index_.fill(0);
    replaced_.fill(0);
    replacements_.clear();
}

TextLoadResult TTextTable::LoadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string content;
    if (in) content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
        ResetIndex();
        areaUsed_ = 0;
        loaded_ = 0;
        TextLoadResult r{TextLoadError::kMissing, 1, {}};
        r.message = FormatError(r.error, r.line, file.string());
        return r;
    }
    return LoadBytes(content, file.string());
}

TextLoadResult TTextTable::LoadBytes(std::string_view content, std::string_view fileName) {
    ResetIndex();
    areaUsed_ = 0;
    loaded_ = 0;
    area_[0] = 0;
    const std::vector<std::string_view> lines = SplitLines(content);
    int running = 0;
    auto fail = [&](TextLoadError e, int line, std::string_view detail) {
        TextLoadResult r{e, line, {}};
        r.message = FormatError(e, line, detail);
        return r;
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i].substr(0, kMaxLineLength);
        const int lineNo = static_cast<int>(i) + 1;
        if (line.size() <= 6 || line[0] == ';') continue;

        const std::string_view field = line.substr(0, 4);
        if (field != "    ") {
            int number = 0;
            if (!ParseNumberField(field, number) || number > kCapacity)
                return fail(TextLoadError::kNumberWrong, lineNo, line);
            if (number != running) {
                if (number != 18) return fail(TextLoadError::kNumberJumps, lineNo, line);
                running = 18;
            }
        }

        std::string_view text = line.substr(6);
        if (const std::size_t semi = text.rfind(';'); semi != std::string_view::npos)
            text = text.substr(0, semi);

        if (areaUsed_ + static_cast<int>(text.size()) + 1 >= kAreaLimit)
            return fail(TextLoadError::kTooMuchText, lineNo, line);
        if (running >= kCapacity) return fail(TextLoadError::kTooManyLines, lineNo, line);

        index_[running] = static_cast<std::uint16_t>(areaUsed_);
        area_[areaUsed_] = static_cast<std::uint8_t>(text.size());
        std::copy(text.begin(), text.end(), area_.begin() + areaUsed_ + 1);
        areaUsed_ += static_cast<int>(text.size()) + 1;
        ++running;
        ++loaded_;
    }
    if (running < kMinTexts)
        return fail(TextLoadError::kMissing, static_cast<int>(lines.size()) + 1, fileName);
    return {};
}

void TTextTable::ReplaceTxt(int n, std::string_view s) {
    if (n < 0 || n >= kCapacity) return;
    s = s.substr(0, kMaxTextLength);
    if (replaced_[n] != 0) {
        replacements_[replaced_[n] - 1] = std::string(s);
        return;
    }
    replacements_.emplace_back(s);
    replaced_[n] = static_cast<int>(replacements_.size());
}

std::string_view LanguageExtension(int language) {
    return language == 1 ? "usa" : "ger";
}

std::filesystem::path LanguageFilePath(const std::filesystem::path& programDirectory,
                                       int language) {
    const std::string name = "Q5Text." + std::string(LanguageExtension(language));
    const std::filesystem::path beside = programDirectory / name;
    // Installed, the files lie in share/vadrix beside the bin folder.
    const std::filesystem::path installed = programDirectory.parent_path() / "share/vadrix" / name;
    std::error_code ec;
    if (!std::filesystem::exists(beside, ec) && std::filesystem::exists(installed, ec))
        return installed;
    return beside;
}

std::vector<std::string> ParseCommaText(std::string_view text) {
    std::vector<std::string> items;
    std::size_t p = 0;
    const auto blank = [&](std::size_t i) {
        return i < text.size() && static_cast<unsigned char>(text[i]) <= ' ' && text[i] != 0;
    };
    while (blank(p)) ++p;
    while (p < text.size() && text[p] != 0) {
        std::string item;
        if (text[p] == '"') {
            ++p;
            while (p < text.size()) {
                if (text[p] == '"') {
                    if (p + 1 < text.size() && text[p + 1] == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            const std::size_t start = p;
            while (p < text.size() && static_cast<unsigned char>(text[p]) > ' ' && text[p] != ',')
                ++p;
            item.assign(text.substr(start, p - start));
        }
        items.push_back(std::move(item));
        while (blank(p)) ++p;
        if (p < text.size() && text[p] == ',') {
            if (p + 1 >= text.size()) items.emplace_back();
            ++p;
            while (blank(p)) ++p;
        }
    }
    return items;
}

void AppendCp1252AsUtf8(std::string& out, std::string_view s) {
    out.reserve(out.size() + s.size() + s.size() / 4);
    std::size_t i = 0;
    while (i < s.size()) {
        // Plain ASCII runs are copied whole; they are most of any line.
        std::size_t run = i;
        while (run < s.size() && static_cast<unsigned char>(s[run]) < 0x80) ++run;
        out.append(s.data() + i, run - i);
        if (run == s.size()) break;
        const auto c = static_cast<unsigned char>(s[run]);
        AppendUtf8(out, c < 0xA0 ? kCp1252High[c - 0x80] : c);
        i = run + 1;
    }
}

std::string Cp1252ToUtf8(std::string_view s) {
    std::string out;
    AppendCp1252AsUtf8(out, s);
    return out;
}

namespace {

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The bytes a character takes by its first byte; 0 for a byte no character begins with.
std::size_t Utf8Length(char first) {
    const auto c = static_cast<unsigned char>(first);
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return 2;
    if (c >= 0xE0 && c <= 0xEF) return 3;
    if (c >= 0xF0 && c <= 0xF4) return 4;
    return 0;
}

}  // namespace

bool IsUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = Utf8Length(s[i]);
        if (n == 0 || s.size() - i < n) return false;
        for (std::size_t k = 1; k < n; ++k)
            if (!IsContinuation(s[i + k])) return false;
        i += n;
    }
    return true;
}

std::string_view Utf8Prefix(std::string_view s, std::size_t maxBytes) {
    if (s.size() <= maxBytes) return s;
    std::size_t cut = maxBytes;
    while (cut > 0 && IsContinuation(s[cut])) --cut;
    return s.substr(0, cut);
}

std::string Utf8ToCp1252(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        int extra = c < 0x80           ? 0
                    : (c >> 5) == 0x6  ? 1
                    : (c >> 4) == 0xE  ? 2
                    : (c >> 3) == 0x1E ? 3
                                       : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size() + (extra == 0 ? 1 : 0)) {
            out += '?';
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? c : (c & (0x3F >> extra));
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) valid = false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!valid) {
            out += '?';
            ++i;
            continue;
        }
        out += ToCp1252(cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

}  // namespace vadrix
