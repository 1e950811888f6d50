#include "editors/EditorSession.h"

#include <algorithm>

#include "channel/StationTable.h"
#include "editors/SendControl.h"

namespace vadrix {

namespace {

bool IsCounterType(int type) {
    return type == 15 || type == 16;
}

bool CountersAdvance(const Context& ctx, int type) {
    return IsCounterType(type) && ctx.settings.Option(TSettings::kOptCounterIncrement);
}

// Whether an active row lies among the first n rows.
bool AnyActive(const TSendList& l, int n) {
    return std::any_of(l.Rows, l.Rows + std::clamp(n, 1, kSendListRows),
                       [](const TSendEntry& e) { return e.Akt != 0; });
}

}  // namespace

TSendTelegram BeginTelegramEdit(Context& ctx, int slot) {
    slot = std::clamp(slot, 1, kSendSlots);
    TSendTelegram& stored = ctx.sendTelegrams.Items[slot - 1];
    stored.Head.SendState = 0;
    ctx.run.OpenSendEditor = open_editor::kTelegram;
    return stored;
}

TSendList BeginListEdit(Context& ctx, int slot) {
    slot = std::clamp(slot, 1, kSendSlots);
    TSendList& stored = ctx.sendLists.Items[slot - 1];
    stored.Head.SendState = 0;
    stored.Head.SentCount = 0;
    stored.RoundCount = 0;
    stored.NextRow = 1;
    ctx.run.OpenSendEditor = open_editor::kList;
    TSendList working = stored;
    working.Head.NotifyWindow = 0;
    return working;
}

void EndEdit(Context& ctx, int listSlot) {
    if (listSlot >= 1 && listSlot <= kSendSlots)
        ctx.sendLists.Items[listSlot - 1].Head.NotifyWindow = 0;
    ctx.run.OpenSendEditor = open_editor::kNone;
}

std::vector<int> StationChoices(Context& ctx, const TSendHeader& h) {
    const TChannelBlock& p = SendChannel(ctx, h).P;
    std::vector<int> choices(p.StationAddr, p.StationAddr + StationsInUse(p));
    choices.push_back(ctx.run.NoStation);
    return choices;
}

int ValidStationIndex(int index, int choices) {
    return index < 0 || index >= choices ? 0 : index;
}

bool FollowListPass(const Context& ctx, TSendList& working, const TSendList& stored) {
    int k = working.Head.AnzO != 0 ? working.Head.AnzO : working.ActiveCount;
    // The walk wraps after the stored list's last active row; without an active row up to
    // there the count could never run down, and one step is all there is.
    if (!AnyActive(working, stored.LastActive)) k = 0;
    bool copied = false;
    int& row = working.CurRow;
    do {
        if (row < 1 || row > kSendListRows) row = 1;
        const TSendEntry& e = working.Row(row);
        if (e.Akt != 0) {
            --k;
            if (CountersAdvance(ctx, e.Typ)) {
                std::copy(std::begin(stored.Row(row).B), std::end(stored.Row(row).B),
                          working.Row(row).B);
                copied = true;
            }
        }
        ++row;
        if (row > stored.LastActive) row = 1;
    } while (k > 0);
    return copied;
}

bool SendingChangesTelegram(const Context& ctx, const TSendTelegram& t) {
    return t.Head.Shft != 0 || CountersAdvance(ctx, t.Head.Entry.Typ);
}

}  // namespace vadrix
