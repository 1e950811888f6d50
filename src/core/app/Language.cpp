#include "app/Language.h"

#include "common/TextIds.h"

namespace vadrix {

namespace {

char FirstChar(std::string_view s, char fallback) {
    return s.empty() ? fallback : s[0];
}

void TakeSpecialCharacters(Context& ctx) {
    TRunState& run = ctx.run;
    run.NumberExtraChar = FirstChar(ctx.Txt(txt::kNumberExtraChar), '\0');
    const std::string_view bits = ctx.Txt(txt::kBitChars);
    run.BitChars[0] = bits.size() > 0 ? bits[0] : '0';
    run.BitChars[1] = bits.size() > 1 ? bits[1] : '1';
    run.FieldSeparator = FirstChar(ctx.Txt(txt::kFieldSeparator), '\t');
    run.HelpFile = run.ProgramDirectory / Cp1252ToUtf8(ctx.Txt(txt::kHelpFileName));
}

}  // namespace

bool LoadTextTable(Context& ctx) {
    const TextLoadResult r =
        ctx.texts.LoadFile(LanguageFilePath(ctx.run.ProgramDirectory, ctx.settings.Language));
    if (!r.ok()) {
        ctx.ui.ShowMessage(r.message, MessageKind::kError, MessageButtons::kOk);
        return false;
    }
    TakeSpecialCharacters(ctx);
    return true;
}

std::string DisplayText(const Context& ctx, int n) {
    return Cp1252ToUtf8(ctx.Txt(n));
}

}  // namespace vadrix
