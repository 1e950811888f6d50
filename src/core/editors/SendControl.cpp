#include "editors/SendControl.h"

#include <cstdio>
#include <cstring>

#include "common/TextIds.h"
#include "editors/SendListRows.h"

namespace vadrix {

namespace {

constexpr int kStartsAtMinute = 3;
constexpr int kStartsEveryMinutes = 4;

bool StartsByMinute(const TSendHeader& h) {
    return h.Anst == kStartsAtMinute || h.Anst == kStartsEveryMinutes;
}

void ShowText(Context& ctx, int n) {
    ctx.ui.ShowMessage(ctx.Txt(n), MessageKind::kWarning, MessageButtons::kOk);
}

void ResetListSending(TSendList& l) {
    l.Head.SendState = 0;
    l.Head.SentCount = 0;
    l.RoundCount = 0;
    l.NextRow = 1;
}

// Copies of the header compared as the editors do.
bool SameHeader(const TSendHeader& working, TSendHeader stored) {
    stored.FocusIndex = working.FocusIndex;
    TSendHeader w = working;
    w.WaitStart = stored.WaitStart;
    w.SendState = stored.SendState;
    return std::memcmp(&w, &stored, sizeof w) == 0;
}

}  // namespace

TEmSe& SendChannel(Context& ctx, const TSendHeader& h) {
    return h.Send == 3 || h.Send == 4 ? ctx.emse2 : ctx.emse1;
}

bool RequestSend(Context& ctx, TSendHeader& h) {
    TEmSe& ch = SendChannel(ctx, h);
    if (ctx.settings.Online == 0) {
        ShowText(ctx, txt::kOfflineNoSend);
        return false;
    }
    if (ch.P.ComNumber == 0) {
        ShowText(ctx, txt::kNoPortConfigured);
        return false;
    }
    h.SendState = 1;
    if (h.Entry.Typ == 77 && ch.ChannelFunction == 4) ch.SendFlag = 1;
    return true;
}

bool RequestSendList(Context& ctx, TSendList& l) {
    if (l.ActiveCount == 0) {
        ShowText(ctx, txt::kListEmpty);
        return false;
    }
    return RequestSend(ctx, l.Head);
}

void StopAllSending(Context& ctx) {
    ctx.run.TimeTriggers = false;
    for (TSendTelegram& t : ctx.sendTelegrams.Items) {
        t.Head.SendState = 0;
        t.Head.SentCount = 0;
        if (StartsByMinute(t.Head)) ctx.run.TimeTriggers = true;
    }
    for (TSendList& l : ctx.sendLists.Items) {
        ResetListSending(l);
        if (StartsByMinute(l.Head)) ctx.run.TimeTriggers = true;
    }
}

std::string SendActionCaption(const Context& ctx, int slot, const TSendHeader& h) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(slot));
    std::string s = hex;
    s += ctx.Txt(txt::kStartMarkBase + h.Anst);
    switch (h.Anst) {
        case 1:
            s += std::to_string(h.AnstTNr);
            break;
        case 2:
            s += std::to_string(h.AnstByte);
            break;
        case kStartsAtMinute:
        case kStartsEveryMinutes:
            s += std::to_string(h.Min);
            break;
        default:
            break;
    }
    return s + " " + h.Bez.str();
}

std::string EditActionCaption(const Context& ctx, int slot, const TSendHeader& h) {
    return SendActionCaption(ctx, slot, h) + "...";
}

bool SameTelegram(const TSendTelegram& working, const TSendTelegram& stored) {
    if (!SameHeader(working.Head, stored.Head)) return false;
    constexpr std::size_t kHead = sizeof(TSendHeader);
    return std::memcmp(BytesOf(working).data() + kHead, BytesOf(stored).data() + kHead,
                       sizeof(TSendTelegram) - kHead) == 0;
}

bool SameList(const TSendList& working, const TSendList& stored) {
    return SameHeader(working.Head, stored.Head) &&
           std::memcmp(working.Rows, stored.Rows, sizeof working.Rows) == 0;
}

void StoreTelegram(Context& ctx, int slot, const TSendTelegram& working) {
    if (slot < 1 || slot > kSendSlots) return;
    TSendTelegram& stored = ctx.sendTelegrams.Items[slot - 1];
    if (!SameTelegram(working, stored)) ctx.run.SendFileModified = true;
    stored = working;
    if (StartsByMinute(stored.Head)) ctx.run.TimeTriggers = true;
}

void StoreList(Context& ctx, int slot, TSendList& working) {
    if (slot < 1 || slot > kSendSlots) return;
    TSendList& stored = ctx.sendLists.Items[slot - 1];
    if (!SameList(working, stored)) ctx.run.SendFileModified = true;
    stored = working;
    ResetListSending(stored);
    if (StartsByMinute(stored.Head)) ctx.run.TimeTriggers = true;
    CountActiveRows(stored);
    working.ActiveCount = stored.ActiveCount;
    working.LastActive = stored.LastActive;
}

}  // namespace vadrix
