#pragma once
// A channel takes new parameters: it closes with its old ones (the close is logged), the line
// is given time to fall quiet, then the new block is applied, every send item stops, and the
// program's online state opens the port again with the new settings.

#include <functional>

#include "app/Engine.h"

namespace vadrix {

// The pause between closing with the old parameters and applying the new ones: a frame's
// time at the old bit rate and half a second; a second when the rate is unknown.
int ChannelChangeWaitMs(const TChannelBlock& old);

// wait(ms) lets that time pass; the window keeps handling its events meanwhile.
void ChangeChannelParameters(Context& ctx, Engine& engine, TEmSe& ch, const TChannelBlock& newBlock,
                             const std::function<void(int ms)>& wait);

}  // namespace vadrix
