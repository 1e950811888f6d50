#pragma once
// Row operations of a send list: the active-row summary, and copy, cut and paste of rows as
// entry lines.

#include <string>
#include <string_view>

#include "common/SendItems.h"

namespace vadrix {

// LastActive: the highest row with Akt set (0 if none); ActiveCount: how many there are.
void CountActiveRows(TSendList& l);

// Rows first..last (1-based, in any order), each as an entry line followed by CR LF.
std::string CopyRows(const TSendList& l, int first, int last, char sep);
// As copy; the rows after the selection close the gap and the freed rows at the end become
// the default entry.
std::string CutRows(TSendList& l, int first, int last, char sep);
// Reads the entry lines of text (invalid ones skipped) and inserts them from row `at` on;
// what is pushed past row 400 is lost. Returns the number of rows pasted. Telegram lines of
// the log's export format take the type their fields derive, with the type-17 option given.
int PasteRows(TSendList& l, int at, std::string_view text, char sep, int type17Option = 0);
// True when text holds at least one entry line.
bool CanPasteRows(std::string_view text, char sep, int type17Option = 0);

}  // namespace vadrix
