#pragma once
// Whole numbers as the editors read them: decimal, or hexadecimal after a leading "$".

#include <cstdint>
#include <optional>
#include <string_view>

namespace vadrix {

std::string_view TrimBlanks(std::string_view s);

// A leading "-" or "+" is allowed; anything else that is not part of the number, and any
// value that does not fit 32 bits, gives none.
std::optional<std::int64_t> ParseWholeInt(std::string_view s);

// The same, and the value must lie in [lo, hi].
std::optional<std::int64_t> ParseIntInRange(std::string_view s, std::int64_t lo, std::int64_t hi);

}  // namespace vadrix
