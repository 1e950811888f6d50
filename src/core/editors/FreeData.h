#pragma once
// The free data of send telegram types 77 (a bit string) and 78 (level and duration words)
// as the editor's memo shows and reads them.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "app/Context.h"
#include "common/SendItems.h"

namespace vadrix {

inline constexpr int kFreeDataBytes = 264;
inline constexpr int kMaxLevelWords = 125;
inline constexpr double kMinDurationMs = 0.05;
inline constexpr double kMaxDurationMs = 2000;

namespace levelword {
inline constexpr std::uint16_t kMantissa = 0x07FF;
inline constexpr std::uint16_t kUserNumber = 0x0800;  // bit 11: a duration written by the user
inline constexpr std::uint16_t kLevel1 = 0x4000;      // bit 14
inline constexpr std::uint16_t kAlternate = 0x8000;   // bit 15, alternating from word to word
}  // namespace levelword

// Type 77: one byte per line, most significant bit first, right-aligned in 8 columns with a
// blank before the fifth; the last line holds the bits left over.
std::string FormatFreeBits(const TSendTelegram& t);
// Every "0" and "1" is a bit; eight form a byte, first bit most significant; at most 264
// bytes; an incomplete last group lies in the low bits of the next byte.
void ReadFreeBits(std::string_view text, TSendTelegram& t);

// A frame copied into the free data, 8 bits per byte.
void TakeFrameAsFreeBits(std::span<const std::uint8_t> frame, TSendTelegram& t);
// The telegram as its sending channel would compose it now, as free bits: the whole frame
// in variant 2; in variants 0 and 1 the packed bit string behind the interface header with
// the bit count that header gives. The telegram, the channel's transmit record and its
// sequence state are left as they were; only Data and DataCount change.
void ConvertToFreeBits(Context& ctx, TSendTelegram& t);
// Type 78 right after such a conversion: each byte on a line, least significant bit first,
// each bit followed by a blank, a blank before the ninth column; then the lock time.
std::string FormatFrameAsLevels(const TSendTelegram& t, int lockTime);

// The coded duration (bits 0-13) of d milliseconds: mantissa and decade.
std::uint16_t CodeDuration(double d);
// The duration a word holds, in milliseconds.
double WordDuration(std::uint16_t w);

struct LevelTiming {
    double level0Ms = 5;  // one bit time of the send line
    double level1Ms = 5;
    bool alternateStartsSet = true;  // the lock level of the send line is 0
};
LevelTiming LevelTimingOf(const Context& ctx);

// Type 78 words: a duration with the value format texts, otherwise "1" or "0".
std::string FormatLevelWords(const Context& ctx, const TSendTelegram& t);
// Tokens at blanks and line breaks ("," read as "."): "0" and "1" are the levels, numbers are
// durations limited to 0.05..2000, anything else is skipped; at most 125 words.
void ReadLevelWords(std::string_view text, const LevelTiming& timing, TSendTelegram& t);

// A value format text such as "%.1f" applied to one number; only the conversion "%f" with an
// optional precision is honoured, so a text can never read past its argument.
std::string FormatNumber(std::string_view format, double v);

}  // namespace vadrix
