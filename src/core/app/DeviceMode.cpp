#include "app/DeviceMode.h"

#include "channel/Channel.h"
#include "common/TextIds.h"

namespace vadrix {

void RunInDeviceMode(Context& ctx, Engine& engine, int variant, const std::function<void()>& run) {
    engine.GoOffline();
    TEmSe& ch = ctx.emse1;
    if (ch.P.ComNumber == 0) {
        ctx.settings.Online = 0;
        ctx.ui.ShowMessage(ctx.Txt(txt::kNoPortConfigured), MessageKind::kError,
                           MessageButtons::kOk);
        return;
    }
    const int before = ctx.general.ProtocolVariant;
    ctx.general.ProtocolVariant = variant;
    std::string error;
    if (OpenChannel(ctx, ch, error)) {
        if (run) run();
    } else {
        ctx.ui.ShowMessage(error, MessageKind::kError, MessageButtons::kOk);
    }
    CloseChannel(ctx, ch);
    ctx.general.ProtocolVariant = before;
    InitChannel(ctx, ch);
}

}  // namespace vadrix
