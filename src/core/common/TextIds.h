#pragma once
// Numbers of the language texts the program uses.

namespace vadrix::txt {

// Characters the program works with
inline constexpr int kNumberExtraChar = 25;
inline constexpr int kBitChars = 27;
inline constexpr int kFieldSeparator = 1172;
inline constexpr int kHelpFileName = 1163;

// Data file names; each name text is followed by its extension text
inline constexpr int kSettingsFileName = 1131;
inline constexpr int kLogFileName = 1199;
inline constexpr int kLogFileExt = 1200;
inline constexpr int kSendFileName = 1222;
inline constexpr int kSendFileExt = 1223;
inline constexpr int kDescFileExt = 1370;
inline constexpr int kDescFileName = 1371;

// Send items: type n is named by text kTypeNameBase + n; list n by kSendListName + n
inline constexpr int kTypeNameBase = 50;
inline constexpr int kSendListName = 1187;

// The baud list: text kBaudListBase + index holds the rate in decimal digits
inline constexpr int kBaudListBase = 657;

// added by the telegram log
inline constexpr int kLogWriteError = 1202;  // the log could not be written
inline constexpr int kLogReadError = 1203;   // a log block or file could not be read

}  // namespace vadrix::txt
