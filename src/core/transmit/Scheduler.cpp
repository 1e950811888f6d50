#include "transmit/Scheduler.h"

#include <algorithm>

#include "channel/Ticks.h"

namespace vadrix {
namespace {

// A send telegram or a send list, seen through the header they share.
struct SendItem {
    TSendHeader& head;
    TSendTelegram* telegram = nullptr;
    TSendList* list = nullptr;
    int index = 0;  // 0..11
};

bool ListHasRows(const TSendList& l) {
    return l.ActiveCount > 0;
}

// The station table entry an item addresses; the served station for the index past the
// table.
int ItemStation(const TEmSe& ch, const TSendHeader& h) {
    const int count = std::clamp(ch.P.StationCount, 1, 16);
    if (h.StNr == count) return ch.CurrentStation;
    const int i = h.StNr >= 0 && h.StNr < count ? h.StNr : 0;
    return ch.P.StationAddr[i];
}

bool IsDue(Context& ctx, TEmSe& ch, TSendHeader& h) {
    if (h.SendState == send_state::kOff || h.Send != ch.TxSource) return false;
    const int none = ctx.run.NoStation;
    if (ch.ChannelFunction == 4 && ch.CurrentStation != none) {
        const int station = ItemStation(ch, h);
        if (station != ch.CurrentStation && station != none) return false;
    }
    if (h.SendState == send_state::kSent) {
        if (h.WZt != 0) {
            h.WaitStart = static_cast<std::int32_t>(ctx.run.TickCount +
                                                    SecondsToTicks(ctx.run, h.WZt * 0.001));
            h.SendState = send_state::kPausing;
            return false;
        }
        h.SendState = send_state::kReady;
    }
    if (h.SendState == send_state::kPausing) {
        if (ctx.run.TickCount < static_cast<std::uint32_t>(h.WaitStart)) return false;
        h.SendState = send_state::kReady;
    }
    return h.SendState == send_state::kReady;
}

void StopAtLimit(TSendHeader& h) {
    if (h.AnzT != 0 && h.SentCount >= h.AnzT) {
        h.SendState = send_state::kOff;
        h.SentCount = 0;
    }
}

// The send is counted before composing: the last-flag of the station byte asks whether a
// further item is due, and the last send of an item must not count itself as due.
void SendTelegram(Context& ctx, TEmSe& ch, TSendTelegram& t) {
    t.Head.SendState = send_state::kSent;
    ++t.Head.SentCount;
    StopAtLimit(t.Head);
    ComposeTelegram(ctx, ch, t, SchedulerComposeHooks());
}

int StepRow(const TSendList& l, int row) {
    return row >= l.LastActive || row < 1 ? 1 : row + 1;
}

void NotifyEditor(Context& ctx, TSendList& l, int index) {
    if (l.Head.NotifyWindow == 0 || !ctx.transmitHooks.listPassDone) return;
    if (!ctx.transmitHooks.listPassDone(index, l.Head.NotifyWindow)) l.Head.NotifyWindow = 0;
}

void CompletePass(Context& ctx, TSendList& l, int index) {
    l.Head.SendState = send_state::kSent;
    l.RoundCount = 0;
    ++l.Head.SentCount;
    NotifyEditor(ctx, l, index);
}

void SendListEntry(Context& ctx, TEmSe& ch, TSendList& l, int index) {
    int row = l.NextRow >= 1 && l.NextRow <= l.LastActive ? l.NextRow : 1;
    // Rows out of use are stepped over; a list whose marks all went is left alone.
    for (int n = 0; n < kSendListRows && l.Row(row).Akt == 0; ++n) row = StepRow(l, row);
    TSendEntry& entry = l.Row(row);
    if (entry.Akt == 0) {
        l.Head.SendState = send_state::kOff;
        return;
    }
    l.Head.Entry = entry;
    // Counted before composing, as a send telegram is.
    l.NextRow = StepRow(l, row);
    ++l.RoundCount;
    if (l.Head.AnzO != 0 && l.RoundCount >= l.Head.AnzO) {
        CompletePass(ctx, l, index);
    } else if (l.Head.AnzO == 0 && l.RoundCount >= l.ActiveCount) {
        CompletePass(ctx, l, index);
        l.NextRow = 1;
    }
    StopAtLimit(l.Head);
    ComposeTelegram(ctx, ch, TelegramDefinition{l.Head}, SchedulerComposeHooks());
    // Composition may change the data, the counters and the time tags of the working copy.
    const std::uint8_t inUse = entry.Akt;
    entry = l.Head.Entry;
    entry.Akt = inUse;
}

template <typename Visit>
bool ForEachDueItem(Context& ctx, TEmSe& ch, Visit visit) {
    for (int i = 0; i < kSendSlots; ++i) {
        TSendTelegram& t = ctx.sendTelegrams.Items[i];
        if (IsDue(ctx, ch, t.Head) && visit(SendItem{t.Head, &t, nullptr, i})) return true;
    }
    for (int i = 0; i < kSendSlots; ++i) {
        TSendList& l = ctx.sendLists.Items[i];
        if (!ListHasRows(l)) continue;
        if (IsDue(ctx, ch, l.Head) && visit(SendItem{l.Head, nullptr, &l, i})) return true;
    }
    return false;
}

}  // namespace

bool PickDueSendItem(Context& ctx, TEmSe& ch) {
    return ForEachDueItem(ctx, ch, [&](const SendItem& item) {
        if (item.telegram != nullptr)
            SendTelegram(ctx, ch, *item.telegram);
        else
            SendListEntry(ctx, ch, *item.list, item.index);
        return true;
    });
}

bool AnySendItemDue(Context& ctx, TEmSe& ch) {
    return ForEachDueItem(ctx, ch, [](const SendItem&) { return true; });
}

int FindStationItem(Context& ctx, TEmSe& ch) {
    int found = 0;
    ForEachDueItem(ctx, ch, [&](const SendItem& item) {
        int station = ItemStation(ch, item.head);
        if (station == ctx.run.NoStation) station = ch.P.StationAddr[0];
        if (station <= 0) return false;
        found = station;
        return true;
    });
    return found;
}

void EvaluateTimeTriggers(Context& ctx, int minute) {
    ctx.run.TimeTriggers = false;
    const auto evaluate = [&](TSendHeader& h) {
        if (h.Anst != start_trigger::kHourly && h.Anst != start_trigger::kInterval) return;
        ctx.run.TimeTriggers = true;
        const bool every = h.Anst == start_trigger::kInterval && h.Min != 0;
        const bool now = every ? minute % h.Min == 0 : minute == h.Min;
        if (now) h.SendState = send_state::kReady;
    };
    for (TSendTelegram& t : ctx.sendTelegrams.Items) evaluate(t.Head);
    for (TSendList& l : ctx.sendLists.Items) evaluate(l.Head);
}

ComposeHooks SchedulerComposeHooks() {
    return ComposeHooks{[](Context& ctx, TEmSe& ch) { return FindStationItem(ctx, ch) != 0; }};
}

}  // namespace vadrix
