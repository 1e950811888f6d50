#include "app/ChannelChange.h"

#include "channel/Channel.h"
#include "editors/SendControl.h"

namespace vadrix {

namespace {

constexpr int kFrameBits = 176000;
constexpr int kSettleMs = 500;
constexpr int kUnknownRateWaitMs = 1000;

}  // namespace

int ChannelChangeWaitMs(const TChannelBlock& old) {
    if (old.Baud <= 0) return kUnknownRateWaitMs;
    return kFrameBits / old.Baud + kSettleMs;
}

void ChangeChannelParameters(Context& ctx, Engine& engine, TEmSe& ch, const TChannelBlock& newBlock,
                             const std::function<void(int ms)>& wait) {
    CloseChannel(ctx, ch);
    if (wait) wait(ChannelChangeWaitMs(ch.P));
    ch.P = newBlock;
    InitChannel(ctx, ch);
    StopAllSending(ctx);
    engine.ApplyOnline();
}

}  // namespace vadrix
