#pragma once
// The role of a channel decides what it sends next when it is free: replies the reception
// side asked for, polls, cyclic requests, answers to polls, or due send items.

#include "app/Context.h"

namespace vadrix {

// Poll phases of the polling cycle (channel function 3).
namespace poll_phase {
inline constexpr std::int32_t kStart = 0;
inline constexpr std::int32_t kAfterGeneralPoll = 1;
inline constexpr std::int32_t kPollingStations = 2;
inline constexpr std::int32_t kClassPoll = 3;
inline constexpr std::int32_t kAfterClassPoll = 4;
inline constexpr std::int32_t kInterval = 5;
}  // namespace poll_phase

// The role step of a channel that is idle and waits for nothing.
void RunChannelRole(Context& ctx, TEmSe& ch);
// The cyclic request and its supervision (function 1), at the start of every transmit tick.
void RunCyclicCounters(Context& ctx, TEmSe& ch);
// The role state when a channel is set up.
void ResetRoleState(TEmSe& ch);

}  // namespace vadrix
