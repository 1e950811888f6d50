#include "app/Startup.h"

#include "app/DataFiles.h"
#include "app/Language.h"
#include "app/SendDefaults.h"
#include "channel/Channel.h"
#include "common/TextIds.h"
#include "filters/Filter.h"

namespace vadrix {

void SetUpChannels(Context& ctx) {
    DeriveChannel2(ctx);
    // Filters that came from a file are normalised before anything is tested against them.
    PrepareFilter(ctx.general.DisplayFilter);
    PrepareFilter(ctx.general.LogFilter);
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
