#pragma once
// The text forms of send telegrams and send lists: the header line, the entry line, the
// data line, the three-line telegram file and the 401-line list file.

#include <filesystem>
#include <string>
#include <string_view>

#include "common/SendItems.h"

namespace vadrix {

inline constexpr int kMinHeaderSeparators = 12;
inline constexpr int kMaxDataLineCount = 263;

// The type of a row read from a tabular telegram line: the telegram class its fields derive
// (type 0 when they derive none); the general parameters' type-17 option takes part.
int DerivedRowType(const TSendEntry& e, bool sequenced, int type17Option);

std::string HeaderLine(const TSendHeader& h, char sep);
// False, and the header unchanged, when the line has too few separators or any field is
// not a whole number in its range.
bool ReadHeaderLine(std::string_view line, char sep, TSendHeader& h);

std::string EntryLine(const TSendEntry& e, char sep);
// The same line, without its line end, added to s.
void AppendEntryLine(std::string& s, const TSendEntry& e, char sep);
// Takes the first line off text (up to CR LF, or LF) and reads it as an entry: the entry
// line (15 or 16 separators) or a telegram line of the log's export format (17 or more,
// which makes an active row). False, and e unchanged, when it is no entry.
bool ReadEntryLine(std::string_view& text, char sep, TSendEntry& e, int type17Option = 0);

std::string DataLine(const TSendTelegram& t, char sep);
bool ReadDataLine(std::string_view line, char sep, TSendTelegram& t);

// The three lines of a telegram file, CR LF after each.
std::string TelegramFileText(const TSendTelegram& t, char sep);
// Fewer than three lines change nothing and give false; otherwise each line that reads is
// taken, the others leave their part as it was.
bool ApplyTelegramFileText(std::string_view text, char sep, TSendTelegram& t, int type17Option = 0);

// The header line and the entry lines of all 400 rows.
std::string ListFileText(const TSendList& l, char sep);
// An empty text changes nothing and gives false. Valid entry lines fill rows from row 1;
// invalid ones are skipped; rows after the last one written keep their contents.
bool ApplyListFileText(std::string_view text, char sep, TSendList& l, int type17Option = 0);

// Whole files; false when the file cannot be read or written whole.
bool ReadTextFile(const std::filesystem::path& file, std::string& text);
bool WriteTextFile(const std::filesystem::path& file, std::string_view text);

}  // namespace vadrix
