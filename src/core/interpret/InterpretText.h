#pragma once
// The small pieces that interpreted lines are built from: bit strings, measured values, time
// stamps and byte ranges. Each appends to a line that is reused from record to record.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "common/TextTable.h"

namespace vadrix {

// "00" to "99": numbers are made two digits at a time.
inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// A number right-aligned in width, as AppendInt writes it; lines hold many small numbers, so
// the digits and the blanks before them are made in place and appended at once.
inline void AppendNum(std::string& out, std::int64_t v, int width = 0) {
    char buf[40];
    char* const end = buf + sizeof buf;
    // The blanks of a narrow field lie under the digits already.
    std::memset(end - 8, ' ', 8);
    char* p = end;
    std::uint64_t mag = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    while (mag >= 100) {
        p -= 2;
        std::memcpy(p, kDigitPairs + 2 * (mag % 100), 2);
        mag /= 100;
    }
    if (mag >= 10) {
        p -= 2;
        std::memcpy(p, kDigitPairs + 2 * mag, 2);
    } else {
        *--p = static_cast<char>('0' + mag);
    }
    if (v < 0) *--p = '-';
    const auto len = static_cast<int>(end - p);
    if (width > len) {
        if (width > static_cast<int>(sizeof buf)) {
            out.append(static_cast<std::size_t>(width - len), ' ');
        } else {
            if (width > 8) std::memset(end - width, ' ', static_cast<std::size_t>(width - len));
            p = end - width;
        }
    }
    out.append(p, static_cast<std::size_t>(end - p));
}

// Text n, or nothing for numbers outside the table.
inline std::string_view TextOrEmpty(const TTextTable& t, int n) {
    return n >= 0 && n < TTextTable::kCapacity ? t.Txt(n) : std::string_view{};
}

// The low `bits` bits of v, most significant first, with the two bit characters; a blank
// before the last four when longer than four; right-aligned in width (0: not aligned).
void AppendBits(std::string& out, std::uint32_t v, int bits, const char bitChars[2],
                int width = 12);

// A measured-value word: bits 0..10 the number, 11 the "#" mark, 12..13 the range (x10, x1,
// x0.1, x0.01), 15 "H"/"L"; right-aligned in 8.
void AppendMeasured(std::string& out, const TTextTable& t, std::uint16_t w, char decimal,
                    int width = 8);

// Splits a stored time (days since 30 December 1899 with fraction) into whole days and the
// milliseconds of the day; damaged values give day 0 and 0 ms.
void SplitTime(double time, std::int64_t& day, std::int64_t& msOfDay);
// "hh:mm:ss,zzz" (withMs) or "hh:mm:ss".
void AppendTimeOfDay(std::string& out, std::int64_t msOfDay, bool withMs);
// The short date of a day number.
void AppendShortDate(std::string& out, std::int64_t day, bool dayFirst);

// "first-last:  " (1-based), right-aligned in width.
void AppendRange(std::string& out, int first, int last, int width);

// Hex digits of a byte run: "XX " each, one more blank after every fourth byte.
void AppendHexBytes(std::string& out, const std::uint8_t* bytes, int n);
// The bytes as characters, below 32 shown as ".".
void AppendByteChars(std::string& out, const std::uint8_t* bytes, int n);

}  // namespace vadrix
