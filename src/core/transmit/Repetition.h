#pragma once
// The repetition store: per station, the last telegram sent with each sequence number.

#include "app/Context.h"

namespace vadrix {

// Every station of the channel starts over (last number 31, next 0, stop number 30), and
// each of its 30 slots holds a cyclic telegram with that sequence number. Channel 2 keeps
// no store unless the protocol runs directly on both ports.
void InitRepetitionStore(Context& ctx, TEmSe& ch);
// Keeps a sent data telegram in its station's slot if it carries a sequence number.
void StoreForRepetition(Context& ctx, TEmSe& ch, const TTelegram& sent);

}  // namespace vadrix
