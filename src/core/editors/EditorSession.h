#pragma once
// What the send editors do beside their forms: the one open editor, the working copies taken
// at opening, the station choices of the sending channel, and the list editor following the
// rows the scheduler sends.

#include <vector>

#include "app/Context.h"

namespace vadrix {

// The run state's open-editor indicator.
namespace open_editor {
inline constexpr int kNone = 0;
inline constexpr int kTelegram = 1;
inline constexpr int kList = 2;
}  // namespace open_editor

// Opening: the stored item stops sending and its copy becomes the working copy.
TSendTelegram BeginTelegramEdit(Context& ctx, int slot);
TSendList BeginListEdit(Context& ctx, int slot);
// The editor is gone: a list no longer tells it about finished rounds.
void EndEdit(Context& ctx, int listSlot = 0);

// The stations a send item can address: those of its sending channel in use, then the
// no-station number.
std::vector<int> StationChoices(Context& ctx, const TSendHeader& h);
// A station index past the choices becomes 0.
int ValidStationIndex(int index, int choices);

// The scheduler finished a round of the stored list: the working copy's current row moves on
// by the rows sent (rows per round, or all active rows), wrapping after the last active row;
// counter rows that the scheduler advances take their bytes from the stored list. True when
// a row's bytes were copied.
bool FollowListPass(const Context& ctx, TSendList& working, const TSendList& stored);

// Whether the telegram editor must read the stored telegram back after sending by hand:
// shifting bytes or the counter types advance with each transmission.
bool SendingChangesTelegram(const Context& ctx, const TSendTelegram& t);

}  // namespace vadrix
