#include "app/GeneralChange.h"

#include <cstring>

#include "app/DataFiles.h"
#include "channel/Channel.h"
#include "common/TextIds.h"
#include "filters/Filter.h"

namespace vadrix {

namespace {

constexpr int kDirectLockTimeMs = 4;

bool Ask(const GeneralChangeHooks& hooks, int text) {
    return hooks.askYesNo && hooks.askYesNo(text);
}

// The log and the send telegram file go along into the new data directory; the log is
// opened again from there.
void MoveDataFiles(Context& ctx, const std::filesystem::path& dataDirectory,
                   const GeneralChangeHooks& hooks) {
    const std::filesystem::path oldLog = ctx.log.FilePath();
    const std::filesystem::path oldSend = DataFileName(ctx, txt::kSendFileName);
    ctx.log.Close();
    ctx.run.DataDirectory = dataDirectory;
    const std::filesystem::path newLog = DataFileName(ctx, txt::kLogFileName);
    CopyDataFile(ctx, oldLog, newLog);
    CopyDataFile(ctx, oldSend, DataFileName(ctx, txt::kSendFileName));
    if (hooks.saveSettings) hooks.saveSettings();
    ctx.run.LogFilePath = newLog;
    ctx.log.Open(newLog, false);
}

}  // namespace

GeneralChange ApplyGeneralParams(Context& ctx, Engine& engine, const TGeneralParams& edited,
                                 const std::filesystem::path& dataDirectory,
                                 const GeneralChangeHooks& hooks) {
    // "folder" and "folder/" are the same folder.
    const bool newDirectory =
        !dataDirectory.empty() && !SameFile((dataDirectory / "").lexically_normal(),
                                            (ctx.run.DataDirectory / "").lexically_normal());
    // The focus and the scales need nothing but taking over.
    ctx.general.FocusIndex = edited.FocusIndex;
    ctx.general.Scale8 = edited.Scale8;
    ctx.general.Scale11 = edited.Scale11;
    if (!newDirectory && std::memcmp(&ctx.general, &edited, sizeof edited) == 0)
        return GeneralChange::kNothing;
    if (ctx.settings.Online != 0 && !Ask(hooks, txt::kAskGoOffline)) return GeneralChange::kRefused;
    engine.GoOffline();
    if (edited.ProtocolVariant == 2 && ctx.general.ProtocolVariant != 2)
        ctx.emse1.P.LockTimeMs = kDirectLockTimeMs;
    const std::int32_t oldLogSize = ctx.general.LogSize;
    ctx.general = edited;
    if (edited.LogSize != oldLogSize) {
        // A new size means a new log: only when the user agrees to lose the records.
        if (Ask(hooks, txt::kAskNewLogSize))
            ctx.log.ClearAll();
        else
            ctx.general.LogSize = oldLogSize;
    }
    InitChannel(ctx, ctx.emse1);
    InitChannel(ctx, ctx.emse2);
    PrepareFilter(ctx.general.DisplayFilter);
    PrepareFilter(ctx.general.LogFilter);
    if (newDirectory) MoveDataFiles(ctx, dataDirectory, hooks);
    return GeneralChange::kApplied;
}

}  // namespace vadrix
