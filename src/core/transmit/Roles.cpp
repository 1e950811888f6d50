#include "transmit/Roles.h"

#include <algorithm>

#include "channel/StationTable.h"
#include "channel/Ticks.h"
#include "transmit/Compose.h"
#include "transmit/Scheduler.h"
#include "transmit/Transmit.h"

namespace vadrix {
namespace {

inline constexpr std::uint8_t kNoValidData = 31;

int StationCount(const TEmSe& ch) {
    return std::clamp(ch.P.StationCount, 1, kStationSlots);
}

void Send(Context& ctx, TEmSe& ch) {
    ContinueTransmit(ctx, ch);
}

void Request(Context& ctx, TEmSe& ch, int station, int code) {
    SendRequest(ctx, ch, static_cast<std::uint8_t>(station), code);
    Send(ctx, ch);
}

void RequestCode(Context& ctx, TEmSe& ch, std::uint32_t code) {
    SendRequestCode(ctx, ch, code, SchedulerComposeHooks());
    Send(ctx, ch);
}

bool SendDueItem(Context& ctx, TEmSe& ch) {
    if (!PickDueSendItem(ctx, ch)) return false;
    Send(ctx, ch);
    return true;
}

// The three reply requests of the reception side, first to third; true if one was sent.
bool ServeRequestSlots(Context& ctx, TEmSe& ch) {
    for (std::uint32_t* slot : {&ch.PendSys, &ch.PendAck, &ch.PendRepeat}) {
        if (*slot == 0) continue;
        const std::uint32_t code = *slot;
        *slot = 0;
        // The repeated telegram will arrive out of order; reception knows it by this number.
        if (slot == &ch.PendRepeat) ch.ExpectSeq = static_cast<std::int32_t>(code & 31);
        RequestCode(ctx, ch, code);
        return true;
    }
    return false;
}

bool SendCycleRequest(Context& ctx, TEmSe& ch) {
    if (ch.CycleRequest == 0) return false;
    ch.CycleRequest = 0;
    RequestCode(ctx, ch, kCyclicRequestCode);
    return true;
}

// A repeat request names a sequence number; its stored telegram goes out again, marked.
void ServeRepeatRequest(Context& ctx, TEmSe& ch, int stationIndex) {
    const std::uint32_t seq = ch.PendRepeat & 31;
    ch.PendRepeat = 0;
    if (seq < 1 || seq > kSeqSlots || stationIndex < 0 || stationIndex >= kStationSlots) return;
    const TTelegram& kept = ch.StationState[stationIndex].Slot(static_cast<int>(seq));
    if (kept.FrameLen <= 0) return;
    ch.TxBuffer = kept;
    ch.TxBuffer.Status = tx_code::kRepeated;
    Send(ctx, ch);
}

void Function1(Context& ctx, TEmSe& ch) {
    if (ServeRequestSlots(ctx, ch) || SendCycleRequest(ctx, ch)) return;
    SendDueItem(ctx, ch);
}

void Function2(Context& ctx, TEmSe& ch) {
    if (ch.StationState[0].W1 == 0) {
        RequestCode(ctx, ch, kStartupRequestCode);
        return;
    }
    if (ch.PendRepeat != 0) {
        ServeRepeatRequest(ctx, ch, 0);
        return;
    }
    if (SendCycleRequest(ctx, ch)) return;
    SendDueItem(ctx, ch);
}

// --- Polling cycle ----------------------------------------------------------------------

void ArmAnswerWait(Context& ctx, TEmSe& ch) {
    ch.ReplyDeadline = ctx.run.TickCount + ch.ReplyTicks;
}
void ArmShortWait(Context& ctx, TEmSe& ch) {
    ch.ReplyDeadline = ctx.run.TickCount + ch.TurnTicks;
}
bool WaitOver(const Context& ctx, const TEmSe& ch) {
    return ctx.run.TickCount >= ch.ReplyDeadline;
}
void StartInterval(Context& ctx, TEmSe& ch) {
    ch.InterrogationDeadline =
        ctx.run.TickCount + SecondsToTicks(ctx.run, ch.P.InterrogationPeriodMs * 0.001);
}

void PollStation(Context& ctx, TEmSe& ch, int station, int code) {
    ch.CurrentStation = station;
    // Only an answer to this poll ends its wait, not one left from an earlier poll.
    ch.ShortAddrX = 0;
    Request(ctx, ch, station, code);
    ArmAnswerWait(ctx, ch);
}

void AfterGeneralPoll(Context& ctx, TEmSe& ch) {
    if (WaitOver(ctx, ch)) {
        ch.PollPhase = poll_phase::kClassPoll;
    } else if (ch.ShortAddr0 < 0) {
        // Answers collided: every station is asked in turn.
        ch.ShortAddr0 = 0;
        ch.PollCounter = StationCount(ch);
        ch.PollIndex = 0;
        ch.PollPhase = poll_phase::kPollingStations;
        PollStation(ctx, ch, ch.P.StationAddr[0], 1);
    } else if (ch.ShortAddr0 > 0) {
        const int station = ch.ShortAddr0;
        ch.ShortAddr0 = 0;
        ch.PollCounter = 1;
        ch.PollPhase = poll_phase::kPollingStations;
        PollStation(ctx, ch, station, 1);
    }
}

void PollingStations(Context& ctx, TEmSe& ch) {
    const bool answered = ch.ShortAddrX != 0;
    if (!answered && !WaitOver(ctx, ch)) return;
    ch.ShortAddrX = 0;
    if (--ch.PollCounter <= 0) {
        ch.PollPhase = poll_phase::kClassPoll;
        return;
    }
    ch.PollIndex = std::min(ch.PollIndex + 1, StationCount(ch) - 1);
    PollStation(ctx, ch, ch.P.StationAddr[ch.PollIndex], 1);
}

void ClassPoll(Context& ctx, TEmSe& ch) {
    if (ch.P.ClassPollCount <= 0) {
        ch.PollPhase = poll_phase::kInterval;
        return;
    }
    if (ch.ClassPollIndex < 0 || ch.ClassPollIndex >= StationCount(ch)) ch.ClassPollIndex = 0;
    const int station = ch.P.StationAddr[ch.ClassPollIndex];
    ch.ClassPollIndex = (ch.ClassPollIndex + 1) % StationCount(ch);
    ch.PollPhase = poll_phase::kAfterClassPoll;
    PollStation(ctx, ch, station, ch.P.ClassPollCount + 1);
}

void Interval(Context& ctx, TEmSe& ch) {
    if (SendDueItem(ctx, ch)) return;
    // Without an interrogation period there is no general poll; due items still go out.
    const bool over = ctx.run.TickCount >= ch.InterrogationDeadline;
    if (!over || ch.P.InterrogationPeriodMs < 1) return;
    // The general poll: any station with data announces itself.
    ch.ShortAddr0 = 0;
    ch.CurrentStation = ctx.run.NoStation;
    Request(ctx, ch, ctx.run.NoStation, 0);
    StartInterval(ctx, ch);
    ch.PollPhase = poll_phase::kAfterGeneralPoll;
    ArmShortWait(ctx, ch);
}

void Function3(Context& ctx, TEmSe& ch) {
    if (ServeRequestSlots(ctx, ch)) return;
    switch (ch.PollPhase) {
        case poll_phase::kStart:
            StartInterval(ctx, ch);
            ch.PollPhase = poll_phase::kAfterGeneralPoll;
            break;
        case poll_phase::kAfterGeneralPoll:
            AfterGeneralPoll(ctx, ch);
            break;
        case poll_phase::kPollingStations:
            PollingStations(ctx, ch);
            break;
        case poll_phase::kClassPoll:
            ClassPoll(ctx, ch);
            break;
        case poll_phase::kAfterClassPoll:
            if (WaitOver(ctx, ch)) ch.PollPhase = poll_phase::kInterval;
            break;
        case poll_phase::kInterval:
            Interval(ctx, ch);
            break;
        default:
            ch.PollPhase = poll_phase::kStart;
            break;
    }
}

// --- Answering side ---------------------------------------------------------------------

void AnswerGeneralPoll(Context& ctx, TEmSe& ch) {
    ch.GenRequest = 0;
    if (ch.LinkTestFlags[kLinkTestEmptyAck]) {
        SendEmptyAck(ctx, ch);
        Send(ctx, ch);
        return;
    }
    ch.CurrentStation = ctx.run.NoStation;
    const int station = FindStationItem(ctx, ch);
    if (station != 0) Request(ctx, ch, station, 0);
}

// A polled station answers with its due items, or with "nothing to send".
void ServePolledStation(Context& ctx, TEmSe& ch, int station) {
    ch.CurrentStation = station;
    if (SendDueItem(ctx, ch))
        ch.RememberedStation = station;
    else
        Request(ctx, ch, station, 1);
}

void Function4(Context& ctx, TEmSe& ch) {
    if (ch.PendRepeat != 0) {
        ServeRepeatRequest(ctx, ch, StationPosition(ch.P, ch.CurrentStation));
    } else if (ch.GenRequest != 0) {
        AnswerGeneralPoll(ctx, ch);
    } else if (ch.PollAddr1 != 0 || ch.PollAddr != 0) {
        int& slot = ch.PollAddr1 != 0 ? ch.PollAddr1 : ch.PollAddr;
        const int station = slot;
        slot = 0;
        ServePolledStation(ctx, ch, station);
    } else if (ch.RememberedStation != 0) {
        ch.CurrentStation = ch.RememberedStation;
        if (!SendDueItem(ctx, ch)) ch.RememberedStation = 0;
    }
}

}  // namespace

void RunChannelRole(Context& ctx, TEmSe& ch) {
    switch (ch.ChannelFunction) {
        case 0:
            SendDueItem(ctx, ch);
            break;
        case 1:
            Function1(ctx, ch);
            break;
        case 2:
            Function2(ctx, ch);
            break;
        case 3:
            Function3(ctx, ch);
            break;
        case 4:
            Function4(ctx, ch);
            break;
        default:
            break;
    }
}

void RunCyclicCounters(Context& ctx, TEmSe& ch) {
    if (ch.ChannelFunction != 1 || ch.P.CycleSeconds <= 0) return;
    // Every received telegram runs a transmit step of its own: the counters count ticks,
    // once per tick, so traffic does not shorten the cycle or the supervision.
    if (ch.CycleCountedTick == ctx.run.TickCount + 1) return;
    ch.CycleCountedTick = ctx.run.TickCount + 1;
    if (ch.CycleCountdown > 0) --ch.CycleCountdown;
    if (ch.CycleCountdown == 0) {
        ch.CycleCountdown = SecondsToTicks(ctx.run, ch.P.CycleSeconds);
        ch.CycleRequest = 1;
        if (ch.SupervisionCountdown == 0) ch.SupervisionCountdown = 3 * ch.CycleCountdown;
    }
    if (ch.SupervisionCountdown > 0 && --ch.SupervisionCountdown == 0) {
        LogEvent(ctx, ch, status::kSupervision, 0);
        ch.ReceivedStatus = kNoValidData;
    }
}

void ResetRoleState(TEmSe& ch) {
    ch.PollPhase = poll_phase::kStart;
    ch.PollCounter = 0;
    ch.PollIndex = 0;
    ch.ClassPollIndex = 0;
    ch.ShortAddr0 = 0;
    ch.ShortAddrX = 0;
    ch.ReplyDeadline = 0;
    ch.InterrogationDeadline = 0;
    ch.RememberedStation = 0;
    ch.CycleRequest = 0;
    ch.CycleCountedTick = 0;
    ch.PendSys = ch.PendAck = ch.PendRepeat = 0;
    ch.PollAddr = ch.PollAddr1 = 0;
    ch.ReceivedStatus = 40;
    ch.CurrentStation = ch.P.StationAddr[0];
}

}  // namespace vadrix
