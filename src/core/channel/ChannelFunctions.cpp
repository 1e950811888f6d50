// The reception side of the station simulation: sequence numbers, system telegrams, reply
// request slots and the start conditions of send items.

#include <algorithm>

#include "channel/Channel.h"
#include "channel/Framer.h"
#include "channel/LinkFields.h"
#include "channel/Ticks.h"

namespace vadrix {
namespace {

// Reply request words the transmit side serves.
inline constexpr std::uint32_t kSysRequest = 0x22020000;
inline constexpr std::uint32_t kAckRequest = 0x22010040;
inline constexpr std::uint32_t kAckFlagged = 0x22010060;
inline constexpr std::uint32_t kRepeatRequest = 0x22010080;

// System telegram numbers.
inline constexpr std::uint16_t kTelCycle = 0x200;
inline constexpr std::uint16_t kTelSeqControl = 0x201;
inline constexpr std::uint16_t kTelRestart = 0x202;

bool ValidStationIdx(int idx) {
    return idx >= 0 && idx < kStationSlots;
}

int NextSeq(int x) {
    return x == 30 ? 1 : x + 1;
}

// A reset telegram asks for the system request at most every two seconds.
void RequestSysOnReset(Context& ctx, TEmSe& ch, int seq) {
    if (seq != kNoSeq || ctx.run.TickCount <= ch.PendSysNext) return;
    ch.PendSysNext = ctx.run.TickCount + SecondsToTicks(ctx.run, 2.0);
    ch.PendSys = kSysRequest;
}

// Telegrams 0x201 and 0x202 act on the sequence state of one station.
void HandleSeqTelegrams(TEmSe& ch, const LinkLayout& l, TStationState& st) {
    TTelegram& t = ch.RxTel;
    if (t.TelNo == kTelSeqControl) {
        const std::uint8_t v = DataByte(t, l, 0);
        const std::uint8_t n = v & 31;
        // The master's acknowledgement of the toggle: the station's toggle bit clears, else
        // it would stay set on every telegram once the stop number was reached.
        if (v & 0x20) {
            st.W2 = 0;
            st.W4 = 0;
        }
        if (n >= 1 && n <= 30) {
            if (v & 0x80) ch.PendRepeat = n;
            if (v & 0x40) st.W3 = n;
        } else {
            t.Status = rx_status::kNoSeqNumber;
        }
    } else if (t.TelNo == kTelRestart) {
        if (st.W1 == kNoSeq) st.W1 = 0;
    }
}

void Function1(Context& ctx, TEmSe& ch, const LinkLayout& l) {
    const TTelegram& t = ch.RxTel;
    if (IsShort(t, l)) return;
    RequestSysOnReset(ctx, ch, SequenceNumber(t, l));
    if (t.DataKind == 0 && t.TelNo == kTelCycle) ch.SupervisionCountdown = 0;
    ch.StationIdx = 0;
    CheckSequence(ctx, ch);
}

void Function2(Context& ctx, TEmSe& ch, const LinkLayout& l) {
    TTelegram& t = ch.RxTel;
    if (IsShort(t, l)) return;
    if (SequenceNumber(t, l) != 0) {
        t.Status = rx_status::kSequence;
        return;
    }
    if (t.DataKind == 0) {
        if (t.TelNo == kTelCycle) {
            if (ch.LinkTestFlags[kLinkTestIgnoreCycle])
                t.Status = rx_status::kCycleMarked;
            else
                ch.CycleRequest = 1;
        }
        HandleSeqTelegrams(ch, l, ch.StationState[0]);
    }
    MatchSendTables(ctx, ch);
}

void Function3(Context& ctx, TEmSe& ch, const LinkLayout& l) {
    const TTelegram& t = ch.RxTel;
    if (IsShort(t, l)) {
        if (ShortFunction(t, l) == 0)
            ch.ShortAddr0 = t.Station;
        else
            ch.ShortAddrX = t.Station;
        return;
    }
    ch.ReplyDeadline = ctx.run.TickCount + ch.ReplyTicks;
    RequestSysOnReset(ctx, ch, SequenceNumber(t, l));
    CheckSequence(ctx, ch);
}

void Function4(Context& ctx, TEmSe& ch, const LinkLayout& l) {
    TTelegram& t = ch.RxTel;
    const bool isShort = IsShort(t, l);
    if (!isShort && SequenceNumber(t, l) != 0) {
        t.Status = rx_status::kSequence;
        return;
    }
    if (!isShort && t.DataKind == 0 && ValidStationIdx(ch.StationIdx))
        HandleSeqTelegrams(ch, l, ch.StationState[ch.StationIdx]);
    MatchSendTables(ctx, ch);
    if (!isShort) return;
    const std::uint8_t function = ShortFunction(t, l);
    if (function == 0) ch.GenRequest = 1;
    if (function == 1)
        ch.PollAddr1 = t.Station;
    else
        ch.PollAddr = t.Station;
}

bool MeetsStartCondition(const Context& ctx, const TEmSe& ch, const TSendHeader& h,
                         const LinkLayout& l) {
    const TTelegram& t = ch.RxTel;
    const std::uint8_t none = ctx.run.NoStation;
    if (h.Send != ch.TxSource) return false;
    bool stationOk = t.Station == none;
    if (!stationOk && h.StNr >= 0 && h.StNr < 16) {
        const std::uint16_t addr = ch.P.StationAddr[h.StNr];
        stationOk = addr == t.Station || addr == none;
    }
    if (!stationOk) return false;
    if (IsShort(t, l))
        return h.Anst == 2 && (h.AnstByte == 255 || h.AnstByte == ShortFunction(t, l));
    return h.Anst == 1 && h.AnstTNr == t.TelNo && h.AnstDa == t.DataKind &&
           (h.AnstByte == 255 || h.AnstByte == DataByte(t, l, 0));
}

}  // namespace

void RunChannelFunction(Context& ctx, TEmSe& ch) {
    if (ch.RxTel.Source == source::kE2 && ctx.general.ProtocolVariant != 2) return;
    const LinkLayout layout = LayoutOf(ctx);
    switch (ch.ChannelFunction) {
        case 1:
            Function1(ctx, ch, layout);
            break;
        case 2:
            Function2(ctx, ch, layout);
            break;
        case 3:
            Function3(ctx, ch, layout);
            break;
        case 4:
            Function4(ctx, ch, layout);
            break;
        default:
            break;
    }
}

void CheckSequence(Context& ctx, TEmSe& ch) {
    TTelegram& t = ch.RxTel;
    if (!ValidStationIdx(ch.StationIdx)) return;
    const LinkLayout layout = LayoutOf(ctx);
    const int seq = SequenceNumber(t, layout);
    const bool flag = SequenceFlag(t, layout);
    const bool noAck = ch.LinkTestFlags[kLinkTestNoAck];
    const bool answerKind =
        t.DataKind == 0 || t.DataKind == 1 || (t.DataKind == 3 && ctx.general.DataSync == 1);
    std::uint8_t& last = ch.LastSeq[ch.StationIdx];

    if (seq == kNoSeq || last == kNoSeq) {
        last = static_cast<std::uint8_t>(seq);
        return;
    }
    if (flag && !noAck) ch.PendAck = kAckFlagged | seq;
    if (seq == last) {
        if (answerKind) t.Status = rx_status::kSequence;
        return;
    }
    const int d = (seq + 30 - last) % 30;
    if (d == 1) {
        if (!answerKind) {
            t.Status = rx_status::kSequence;
            ch.PendRepeat = kRepeatRequest | seq;
            return;
        }
        last = static_cast<std::uint8_t>(seq);
        if ((seq == 10 || seq == 20 || seq == 30) && !noAck)
            ch.PendAck = kAckRequest | seq | (flag ? 0x20u : 0u);
        return;
    }
    t.Status = rx_status::kSequence;
    if (d == 2 && answerKind) {
        ch.PendRepeat = kRepeatRequest | NextSeq(last);
        last = static_cast<std::uint8_t>(seq);
        return;
    }
    if (d <= 8) {
        last = static_cast<std::uint8_t>(seq);
        return;
    }
    if (seq == ch.ExpectSeq) {
        ch.ExpectSeq = -1;
        t.Status = rx_status::kAwaitedOutOfOrder;
    }
}

void MatchSendTables(Context& ctx, TEmSe& ch) {
    const LinkLayout layout = LayoutOf(ctx);
    for (auto& item : ctx.sendTelegrams.Items)
        if (MeetsStartCondition(ctx, ch, item.Head, layout)) item.Head.SendState = 1;
    for (auto& item : ctx.sendLists.Items)
        if (MeetsStartCondition(ctx, ch, item.Head, layout)) item.Head.SendState = 1;
}

}  // namespace vadrix
