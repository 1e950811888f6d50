#pragma once
// Starting and stopping send telegrams and send lists, storing an edited one, and the
// captions of their main-window actions.

#include <string>

#include "app/Context.h"

namespace vadrix {

// The channel a send code names: 1 and 2 EmSe1, 3 and 4 EmSe2.
TEmSe& SendChannel(Context& ctx, const TSendHeader& h);

// Marks the item as requested for the scheduler; offline (870) or without a port (1137) it
// shows the message instead and returns false.
bool RequestSend(Context& ctx, TSendHeader& h);
// A list without an active row shows 874 and is not requested.
bool RequestSendList(Context& ctx, TSendList& l);
// Every telegram and list idle with its counters reset; the time-trigger flag follows the
// items that still start at given minutes.
void StopAllSending(Context& ctx);

// "<slot in hex><trigger text><trigger value> <name>"; the edit action adds "...".
std::string SendActionCaption(const Context& ctx, int slot, const TSendHeader& h);
std::string EditActionCaption(const Context& ctx, int slot, const TSendHeader& h);

// Equal for storing: FocusIndex is taken from the working copy, WaitStart and SendState
// are not compared.
bool SameTelegram(const TSendTelegram& working, const TSendTelegram& stored);
bool SameList(const TSendList& working, const TSendList& stored);

// Puts a working copy into its slot (1..12): a change marks the send file modified; a
// start at given minutes sets the time-trigger flag. A stored list is reset for sending and
// its active rows counted, and the counts go back into the working copy.
void StoreTelegram(Context& ctx, int slot, const TSendTelegram& working);
void StoreList(Context& ctx, int slot, TSendList& working);

}  // namespace vadrix
