#pragma once
// Loading the language file of the current language into the context's text table.

#include "app/Context.h"

namespace vadrix {

// Reads "Q5Text." + "ger" or "usa" from the program directory. On failure the error box has
// been shown and false is returned; on success the special characters are taken over.
bool LoadTextTable(Context& ctx);

// Text n as UTF-8 for display.
std::string DisplayText(const Context& ctx, int n);

}  // namespace vadrix
