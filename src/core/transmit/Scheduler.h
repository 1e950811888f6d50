#pragma once
// The twelve send telegrams and twelve send lists: the due test with its pauses, sending one
// telegram or list entry, passes and repetitions, and the time-triggered start.

#include "app/Context.h"
#include "transmit/Compose.h"

namespace vadrix {

namespace send_state {
inline constexpr std::int32_t kOff = 0;
inline constexpr std::int32_t kReady = 1;
inline constexpr std::int32_t kSent = 2;  // the pause is still to begin
inline constexpr std::int32_t kPausing = 3;
}  // namespace send_state

// Start triggers of a send item.
namespace start_trigger {
inline constexpr std::int32_t kHourly = 3;    // every hour at minute Min
inline constexpr std::int32_t kInterval = 4;  // whenever the minute is a multiple of Min
}  // namespace start_trigger

// Composes the first due send telegram, else the first due entry of a send list, into the
// channel's transmit buffer; false when nothing is due. Only one per call.
bool PickDueSendItem(Context& ctx, TEmSe& ch);
// Whether a send item of the channel is due now, running the due test with its state changes.
bool AnySendItemDue(Context& ctx, TEmSe& ch);
// The station of the first due send item (its table entry, or the first station for the
// no-station entry); 0 when none is due.
int FindStationItem(Context& ctx, TEmSe& ch);

// Once per new minute: items started at this minute become ready.
void EvaluateTimeTriggers(Context& ctx, int minute);

// The composition hooks of the roles: the last-flag asks whether a further item is due.
ComposeHooks SchedulerComposeHooks();

}  // namespace vadrix
