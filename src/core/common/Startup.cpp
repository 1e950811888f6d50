#include "common/Startup.h"

#include <charconv>

#include "common/DataFiles.h"
#include "common/Language.h"
#include "common/SendDefaults.h"
#include "common/TextIds.h"

namespace vadrix {

namespace {

std::int32_t BaudFromList(const Context& ctx, std::uint32_t index) {
    const std::string_view text = ctx.Txt(txt::kBaudListBase + static_cast<int>(index));
    std::int32_t baud = 0;
    std::from_chars(text.data(), text.data() + text.size(), baud);
    return baud;
}

}  // namespace

void SetUpChannels(Context& ctx) {
    ctx.emse1.P.Baud = BaudFromList(ctx, ctx.emse1.P.BaudIndex);
    ctx.emse1.RxSource = 1;
    ctx.emse1.TxSource = 2;
    ctx.emse2 = ctx.emse1;
    ctx.emse2.RxSource = 3;
    ctx.emse2.TxSource = 4;
    ctx.emse2.P.StationAddr[0] = 2;
}

StartOutcome InitCommon(Context& ctx, Platform& platform) {
    ctx.run.ProgramDirectory = platform.ExecutablePath().parent_path();
    ctx.run.TickPeriodMs = 60;

    const int storedLanguage = ctx.settings.Language;
    ctx.settings.Language = 0;
    if (!LoadTextTable(ctx)) return StartOutcome::kTextTableFailed;
    ctx.settings.Language = storedLanguage;

    const int slot = platform.AcquireInstanceSlot();
    ctx.run.InstanceFound = slot != 0;
    if (!ctx.run.InstanceFound) return StartOutcome::kNoInstance;
    ctx.run.InstanceNumber = slot;

    LoadSettingsAndDataDir(ctx, platform);
    LoadTextTable(ctx);  // a failure has shown its message; the first texts stay usable

    SetDefaultSendTelegrams(ctx);
    SetDefaultSendLists(ctx);
    SetUpChannels(ctx);
    return StartOutcome::kRun;
}

}  // namespace vadrix
