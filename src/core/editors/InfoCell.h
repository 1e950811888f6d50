#pragma once
// The information cell of a send list row: the information bytes shown and entered by the
// type's class (signed bytes with a sign byte, 12-bit words, the 28-bit counter, plain bytes).

#include <string>
#include <string_view>

#include "common/SendItems.h"

namespace vadrix {

enum class InfoClassKind { kSigned, kWords, kCounter, kPlain };

InfoClassKind InfoClassOf(int type);
// Information bytes of a length code: 2, 1, 2, 2, 5, 5, 9, 9.
int InfoByteCount(int lg);

std::string FormatInfoCell(const TSendEntry& e);
// Reads the cell text into the entry's information bytes; false (entry unchanged) when a
// token cannot be read.
bool ParseInfoCell(std::string_view text, std::string_view bitCharsText, TSendEntry& e);

}  // namespace vadrix
