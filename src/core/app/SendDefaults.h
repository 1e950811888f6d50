#pragma once
// The send telegrams and send lists a program starts with before any file is loaded.

#include "app/Context.h"

namespace vadrix {

void SetDefaultSendTelegrams(Context& ctx);
// Lists copy their header from the default of send telegram slot 1.
void SetDefaultSendLists(Context& ctx);

}  // namespace vadrix
