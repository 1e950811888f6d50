#pragma once
// The language text table: every word the program shows is a numbered text read at start
// from "Q5Text.ger" or "Q5Text.usa" beside the executable.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vadrix {

// Error numbers of a failed load; the messages are fixed because the table that would hold
// translated ones is what failed.
enum class TextLoadError : int {
    kNone = 0,
    kMemory = 1,
    kMissing = 2,
    kNumberWrong = 3,
    kNumberJumps = 4,
    kTooMuchText = 5,
    kTooManyLines = 6,
};

struct TextLoadResult {
    TextLoadError error = TextLoadError::kNone;
    int line = 0;         // 1-based line at which reading stopped
    std::string message;  // the whole text of the error box (CP1252, CR LF inside)
    bool ok() const { return error == TextLoadError::kNone; }
};

std::string_view TextLoadErrorMessage(TextLoadError e);

class TTextTable {
  public:
    static constexpr int kCapacity = 2000;
    static constexpr int kAreaLimit = 24000;  // a text may not make the area reach this
    static constexpr int kMaxTextLength = 249;
    static constexpr std::size_t kMaxLineLength = 255;
    static constexpr int kMinTexts = 1000;

    TTextTable();

    // Reads a language file into the table. A failing load keeps what it read before the
    // failing line; numbers it did not reach read as the first text stored.
    TextLoadResult LoadFile(const std::filesystem::path& file);
    TextLoadResult LoadBytes(std::string_view content, std::string_view fileName);

    // Text n (0..1999) as stored, CP1252 bytes; numbers outside read as the first text.
    // Inline: every interpreted line looks up several texts.
    std::string_view Txt(int n) const {
        if (n < 0 || n >= kCapacity) n = 0;
        if (replaced_[n] != 0) return replacements_[replaced_[n] - 1];
        const std::uint16_t pos = index_[n];
        return {reinterpret_cast<const char*>(area_.data()) + pos + 1, area_[pos]};
    }
    // Replaces text n for the rest of the run; a longer text goes into its own storage so no
    // other text moves.
    void ReplaceTxt(int n, std::string_view s);

    int AreaUsed() const { return areaUsed_; }
    int TextsLoaded() const { return loaded_; }

  private:
    void ResetIndex();

    std::array<std::uint8_t, kAreaLimit> area_{};
    std::array<std::uint16_t, kCapacity> index_{};
    std::array<int, kCapacity> replaced_{};  // 1-based slot in replacements_, 0 = none
    std::vector<std::string> replacements_;
    int areaUsed_ = 0;
    int loaded_ = 0;
};

// Language index of the settings: 0 German, 1 English.
std::string_view LanguageExtension(int language);
// The language file beside the program, else the installed one in ../share/vadrix; when
// neither exists, the one beside the program (which the error message then names).
std::filesystem::path LanguageFilePath(const std::filesystem::path& programDirectory, int language);

// A list text read as comma text: items separated by commas or blanks, an item holding
// blanks or commas written in double quotes ("" inside stands for one quote).
std::vector<std::string> ParseCommaText(std::string_view text);

// The texts are single-byte CP1252; the display and the terminal want UTF-8.
std::string Cp1252ToUtf8(std::string_view s);
void AppendCp1252AsUtf8(std::string& out, std::string_view s);
// Characters CP1252 cannot hold become '?'.
std::string Utf8ToCp1252(std::string_view s);
// Whether s is well-formed UTF-8.
bool IsUtf8(std::string_view s);
// The longest beginning of the UTF-8 text s of at most maxBytes bytes that ends with a whole
// character.
std::string_view Utf8Prefix(std::string_view s, std::size_t maxBytes);

}  // namespace vadrix
