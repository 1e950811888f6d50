#pragma once
// Texts of the table (CP1252) on their way into Qt widgets.

#include <QString>
#include <string_view>

#include "app/Context.h"
#include "common/TextTable.h"

namespace vadrix {

inline QString FromCp1252(std::string_view s) {
    return QString::fromStdString(Cp1252ToUtf8(s));
}

inline QString QTxt(const Context& ctx, int n) {
    return FromCp1252(ctx.Txt(n));
}

}  // namespace vadrix
