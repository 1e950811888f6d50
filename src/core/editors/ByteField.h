#pragma once
// Byte fields of the send editors: a number (decimal or "$" hexadecimal) or a bit string,
// and the bit strings they show.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vadrix {

// The width lowest bits of v, most significant first, as bitChars[0] and bitChars[1].
std::string BitString(std::uint32_t v, int width, const char bitChars[2]);

// A bit string read with the bit characters text: every character doubles the value, and
// its 1-based position in the text decides: 1 to 3 adds 0, 4 or more adds 1, none is invalid.
std::optional<std::uint32_t> ParseBitString(std::string_view s, std::string_view bitCharsText);

// The text of a byte field, blanks trimmed: empty is 0; a text whose first character stands
// early in the kinds text (position below 5, or not found) and that is not 8 characters long
// is a number 0..255; anything else is a bit string, which must also fit a byte.
std::optional<std::uint8_t> ParseByteField(std::string_view text, std::string_view bitCharsText,
                                           std::string_view kindsText);

}  // namespace vadrix
