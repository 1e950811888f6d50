// The send telegram file: loaded as at start or chosen by the user, then put to use as the
// program uses it: every send telegram and every send list row previewed as its editor
// shows it, and every item started and sent by the scheduler on both channels.

#include <cstdint>

#include "FuzzChannels.h"
#include "channel/Framer.h"
#include "log/SendFile.h"
#include "transmit/Compose.h"
#include "transmit/Scheduler.h"

namespace {

using namespace vadrix;

void PreviewAll(Context& ctx) {
    TTelegram out{};
    for (TEmSe* ch : {&ctx.emse1, &ctx.emse2}) {
        for (const TSendTelegram& t : ctx.sendTelegrams.Items) ComposePreview(ctx, *ch, t, out);
        for (TSendList& l : ctx.sendLists.Items) {
            TSendHeader head = l.Head;
            for (int r = 1; r <= kSendListRows; r += 57) {
                head.Entry = l.Row(r);
                ComposePreview(ctx, *ch, TelegramDefinition{head}, out);
            }
        }
    }
}

// Every item made ready, then a few rounds of the scheduler and the timer ticks.
void SendAll(Context& ctx, fuzz::FuzzContext& fc) {
    for (TSendTelegram& t : ctx.sendTelegrams.Items) t.Head.SendState = send_state::kReady;
    for (TSendList& l : ctx.sendLists.Items) l.Head.SendState = send_state::kReady;
    for (int round = 0; round < 30; ++round) {
        for (TEmSe* ch : {&ctx.emse1, &ctx.emse2}) PickDueSendItem(ctx, *ch);
        EvaluateTimeTriggers(ctx, round % 60);
        fc.clock.Advance(100);
        ctx.run.TickCount += 1;
        ChannelTick(ctx, ctx.emse1);
        ChannelTick(ctx, ctx.emse2);
        fc.loop.ProcessPending();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path file = fuzz::WriteTemp("fuzz.sd8", {data, size});
    fuzz::FuzzContext fc;
    Context& ctx = *fc;
    if (!LoadSendFile(ctx, file)) return 0;
    PreviewAll(ctx);
    // The terminal and programming variants run only while their windows do.
    if (ctx.general.ProtocolVariant < 0 || ctx.general.ProtocolVariant > 2) return 0;
    fuzz::FakePorts ports;
    if (!ports.Open(ctx)) return 0;
    SendAll(ctx, fc);
    ClosePorts(ctx);
    return 0;
}
