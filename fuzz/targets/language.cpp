// A language file beside the executable: read as the program reads it at start, its special
// characters taken, and its texts put to their uses: format strings filled, lists split,
// the baud list read and records interpreted in every display format.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "app/Language.h"
#include "channel/Channel.h"
#include "common/TextFormat.h"
#include "interpret/LineGenerator.h"

namespace {

using namespace vadrix;

void UseTexts(Context& ctx) {
    std::string out;
    const char* const first = ctx.Txt(0).data();
    for (int n = 0; n < TTextTable::kCapacity; ++n) {
        const std::string_view t = ctx.Txt(n);
        // Numbers the file does not reach read as the first text, already put to use.
        if (n > 0 && t.data() == first) continue;
        if (t.find('%') != std::string_view::npos) {
            const FmtArg args[] = {FmtArg(-12345), FmtArg(3.25), FmtArg("text"), FmtArg(7u)};
            out.clear();
            AppendFormat(out, t, args, ',');
        }
        if (t.find(',') != std::string_view::npos || t.find('"') != std::string_view::npos)
            ParseCommaText(t);
        Cp1252ToUtf8(t);
    }
    TakeBaudFromList(ctx, ctx.emse1);
}

void InterpretSamples(Context& ctx) {
    LineGenerator lines(ctx, nullptr);
    TTelegram rec = fuzz::SampleTelegram();
    std::string line;
    for (int format = 2; format <= 8; ++format) {
        for (const std::uint8_t status : {std::uint8_t{40}, std::uint8_t{8}, std::uint8_t{54}}) {
            InterpretSettings s = SettingsFromContext(ctx);
            s.format = DisplayFormatFromNumber(format);
            s.timeLine = true;
            rec.Status = status;
            lines.Prepare(s, rec, 46000.25, 1);
            for (line.clear(); lines.NextLine(line); line.clear()) {
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    fuzz::FuzzContext fc;
    Context& ctx = *fc;
    ctx.settings.Language = in.ConsumeBool() ? 1 : 0;
    const std::string content = in.ConsumeRemainingBytesAsString();
    ctx.run.ProgramDirectory = fuzz::TempFolder();
    fuzz::WriteTemp(LanguageFilePath({}, ctx.settings.Language).string(),
                    {reinterpret_cast<const std::uint8_t*>(content.data()), content.size()});
    // A file that fails ends the program; only a loaded table is used.
    if (!LoadTextTable(ctx)) return 0;
    UseTexts(ctx);
    InterpretSamples(ctx);
    return 0;
}
