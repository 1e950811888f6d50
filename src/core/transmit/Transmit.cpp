#include "transmit/Transmit.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "app/TimeBase.h"
#include "channel/Channel.h"
#include "channel/CheckBits.h"
#include "channel/LinkFields.h"
#include "channel/Ticks.h"
#include "transmit/Compose.h"
#include "transmit/ComposeSteps.h"
#include "transmit/InterfaceTelegrams.h"
#include "transmit/Repetition.h"
#include "transmit/Roles.h"

namespace vadrix {
namespace {

inline constexpr int kEnvelopeSpeed = 38400;

bool DirectVariant(const Context& ctx) {
    return ctx.general.ProtocolVariant == 2;
}

int RtsMode(const TEmSe& ch) {
    return ch.P.RtsFunction % 4;
}
bool RtsSwitched(const TEmSe& ch) {
    return RtsMode(ch) == 2 || RtsMode(ch) == 3;
}

// DTR goes with every setting of RTS: inactive for the RTS functions 4 to 7.
void SetRts(Context& ctx, TEmSe& ch, bool on, bool logIt) {
    if (ch.Port == nullptr) return;
    ch.Port->SetRts(on);
    ch.Port->SetDtr(ch.P.RtsFunction < 4);
    if (logIt && DirectVariant(ctx)) LogEvent(ctx, ch, status::kRtsSwitched, on ? 1 : 0);
}

// Mode 2 raises RTS for the transmission, mode 3 drops it.
void RtsForTransmission(Context& ctx, TEmSe& ch, bool transmitting) {
    if (!RtsSwitched(ch)) return;
    const bool on = RtsMode(ch) == 2 ? transmitting : !transmitting;
    SetRts(ctx, ch, on, true);
}

int LineSpeed(const Context& ctx, const TEmSe& ch) {
    return DirectVariant(ctx) ? ch.P.Baud : kEnvelopeSpeed;
}

bool RequestCodeZero(const TTelegram& t, const LinkLayout& l) {
    return ShortFunction(t, l) == 0;
}

bool WantsCorruption(Context& ctx, const TEmSe& ch, const TTelegram& t) {
    if (ch.LinkTestFlags[kLinkTestCorrupt]) return true;
    if (!ch.LinkTestFlags[kLinkTestCorruptShortRequest]) return false;
    const LinkLayout l = LayoutOf(ctx);
    return IsShort(t, l) && ShortStation(t, l) != ctx.run.NoStation && RequestCodeZero(t, l);
}

// Variant 1 inverts the last bit of the packed telegram, so its check bits no longer fit;
// the other variants spoil the checksum.
void Corrupt(Context& ctx, TTelegram& t) {
    const int len = std::clamp<int>(t.FrameLen, 0, TTelegram::kMaxFrame);
    if (ctx.general.ProtocolVariant == 1 && len > kEnvelopeBitsPos + 2) {
        t.Status = tx_code::kBitError;
        const int bit = std::max(0, t.Frame[7] - 1);
        const std::span<std::uint8_t> bits = std::span(t.Frame).subspan(
            kEnvelopeBitsPos, static_cast<std::size_t>(len) - kEnvelopeBitsPos - 2);
        if (bit < 8 * static_cast<int>(bits.size())) SetBitAt(bits, bit, !BitAt(bits, bit));
        ChecksumStep(t);
        return;
    }
    t.Status = tx_code::kSumError;
    if (len >= 2) t.Frame[len - 2] = static_cast<std::uint8_t>(t.Frame[len - 2] + 1);
}

void ArmAnswerWait(Context& ctx, TEmSe& ch) {
    if (ctx.run.UserDataOffset == 4) return;
    ch.AwaitState = await_state::kAnswer;
    ch.AnswerDeadline = ctx.run.TickCount + kAnswerWaitTicks;
    // The monitor device answers at the speed of its send line.
    const int speed = ch.P.Line[1].BitRate;
    if (speed > 0) ch.AnswerDeadline += SecondsToTicks(ctx.run, 120.0 / speed);
}

void StoreSent(Context& ctx, TEmSe& ch) {
    TTelegram rec = ch.TxBuffer;
    StoreRecord(ctx, rec);
}

// The one-shot timer ends a long send delay: the channel goes on at once through the main
// loop, unless the fallback tick already let it go on and a new delay has begun.
void StartDelayTimer(Context& ctx, TEmSe& ch, int ms) {
    auto id = std::make_shared<EventLoop::TimerId>(0);
    Context* c = &ctx;
    TEmSe* channel = &ch;
    const auto delay = static_cast<std::uint32_t>((ms + 5) / 10 * 10);
    *id = ctx.loop.StartOneShot(delay, [c, channel, id] {
        if (*id != 0 && channel->TxTimerId == *id) {
            channel->TxAllowedTick = c->run.TickCount;
            c->loop.Post([c, channel] { TransmitTick(*c, *channel); });
        }
        if (channel->TxTimerId == *id) channel->TxTimerId = 0;
    });
    ch.TxTimerId = *id;
}

void StopDelayTimer(Context& ctx, TEmSe& ch) {
    if (ch.TxTimerId == 0) return;
    ctx.loop.CancelTimer(ch.TxTimerId);
    ch.TxTimerId = 0;
}

void ServeAwaitState(Context& ctx, TEmSe& ch) {
    switch (ch.AwaitState) {
        case await_state::kConfig:
            BuildConfigTelegram(ctx, ch);
            ContinueTransmit(ctx, ch);
            break;
        case await_state::kFileBlock:
            if (ctx.transfer && ctx.transfer->IsOpen() && BuildFileBlock(ctx, ch, *ctx.transfer))
                ContinueTransmit(ctx, ch);
            else if (!ctx.transfer || !ctx.transfer->IsOpen())
                ch.AwaitState = await_state::kNone;
            break;
        case await_state::kAnswer:
            if (ctx.run.TickCount < ch.AnswerDeadline) break;
            ch.AwaitState = await_state::kNone;
            LogEvent(ctx, ch, tx_code::kAnswerTimeout, 0);
            if (ctx.transfer && ctx.transfer->IsOpen()) ctx.transfer->Close(ctx);
            break;
        default:
            break;
    }
}

}  // namespace

std::uint32_t LineTimeMs(int frameLength, int speed) {
    const double s = speed > 0 ? speed : kFallbackBaud;
    const double ms = (frameLength * 11000.0 + 1000.0) / s;
    return static_cast<std::uint32_t>(std::nearbyint(ms)) + 1;
}

void StartSendDelay(Context& ctx, TEmSe& ch, int ms) {
    TRunState& run = ctx.run;
    if (ms > kLongestBusyWaitMs) {
        // The tick fallback, 10 % later, covers a timer that never fires.
        ch.TxAllowedTick = run.TickCount + 1 + SecondsToTicks(run, ms * 0.0011);
        StartDelayTimer(ctx, ch, ms);
    } else if (ms >= 1) {
        ch.TxAllowedTick = run.TickCount + 3;
        Wait(ctx, static_cast<std::uint32_t>(ms));
        ch.TxAllowedTick = run.TickCount;
    } else {
        ch.TxAllowedTick = run.TickCount;
    }
}

bool SendDelayElapsed(const Context& ctx, const TEmSe& ch) {
    return ctx.run.TickCount >= ch.TxAllowedTick;
}

bool WaitStep(Context& ctx, TEmSe& ch, int ms) {
    if (ms < 1) return true;
    StartSendDelay(ctx, ch, ms);
    return SendDelayElapsed(ctx, ch);
}

void RunTransmitSequence(Context& ctx, TEmSe& ch) {
    const bool direct = DirectVariant(ctx);
    if (ch.TxPhase == tx_phase::kIdle) {
        if (direct) {
            ch.TxPhase = tx_phase::kPreSend;
            if (!WaitStep(ctx, ch, ch.P.PreSendDelayMs)) return;
        } else {
            ch.TxPhase = tx_phase::kLead;
        }
    }
    if (ch.TxPhase == tx_phase::kPreSend) {
        ch.TxPhase = tx_phase::kLead;
        if (RtsSwitched(ch)) {
            RtsForTransmission(ctx, ch, true);
            if (!WaitStep(ctx, ch, ch.P.RtsLeadMs)) return;
        }
    }
    if (ch.TxPhase == tx_phase::kLead) {
        ch.TxPhase = tx_phase::kLine;
        SendTxBuffer(ctx, ch);
        ch.Transmitting = 1;
        const auto line = static_cast<int>(LineTimeMs(ch.TxBuffer.FrameLen, LineSpeed(ctx, ch)));
        if (!WaitStep(ctx, ch, line + ch.PostSendExtraMs)) return;
    }
    if (ch.TxPhase == tx_phase::kLine) {
        ch.Transmitting = 0;
        if (!direct) {
            ch.TxPhase = tx_phase::kIdle;
            return;
        }
        ch.TxPhase = tx_phase::kLag;
        if (RtsSwitched(ch) && !WaitStep(ctx, ch, ch.P.RtsLagMs)) return;
    }
    if (ch.TxPhase == tx_phase::kLag) {
        RtsForTransmission(ctx, ch, false);
        ch.TxPhase = tx_phase::kIdle;
    }
}

void ContinueTransmit(Context& ctx, TEmSe& ch) {
    if (ch.TxPhase != tx_phase::kIdle) {
        if (!SendDelayElapsed(ctx, ch)) return;
        // When the fallback tick ends the delay first, the timer's late message must not run
        // another transmit step.
        StopDelayTimer(ctx, ch);
    }
    RunTransmitSequence(ctx, ch);
}

void SendTxBuffer(Context& ctx, TEmSe& ch) {
    TTelegram& t = ch.TxBuffer;
    StoreForRepetition(ctx, ch, t);
    if (WantsCorruption(ctx, ch, t)) Corrupt(ctx, t);
    if (ch.LinkTestFlags[kLinkTestNotOnLine]) {
        t.Status = tx_code::kNotOnLine;
    } else {
        const auto len =
            static_cast<std::size_t>(std::clamp<int>(t.FrameLen, 0, TTelegram::kMaxFrame));
        if (ch.Port != nullptr) ch.Port->Write(std::span<const std::uint8_t>(t.Frame, len));
        ArmAnswerWait(ctx, ch);
        LedLight(ctx.ui, ch.TxLed);
    }
    StoreSent(ctx, ch);
}

void TransmitTick(Context& ctx, TEmSe& ch) {
    if (ch.PortOpen == 0) return;
    // A nested call from the message loop that a busy wait keeps running.
    if (ch.TxTickBusy > 0 && !SendDelayElapsed(ctx, ch)) return;
    ch.TxTickBusy = 1;
    RunCyclicCounters(ctx, ch);
    if (ch.TxPhase != tx_phase::kIdle) {
        ContinueTransmit(ctx, ch);
        if (ch.TxPhase != tx_phase::kIdle) {
            ch.TxTickBusy = 0;
            return;
        }
    }
    if (ch.AwaitState != await_state::kNone) ServeAwaitState(ctx, ch);
    if (ch.AwaitState == await_state::kNone && ch.TxPhase == tx_phase::kIdle)
        RunChannelRole(ctx, ch);
    ch.TxTickBusy = 0;
}

void SetIdleLineState(Context& ctx, TEmSe& ch) {
    const int mode = RtsMode(ch);
    SetRts(ctx, ch, mode == 0 || mode == 3, false);
}

void LogEvent(Context& ctx, TEmSe& ch, std::uint8_t code, std::uint32_t value) {
    TTelegram rec{};
    rec.Status = code;
    const bool lineEvent = code == status::kRtsSwitched || code == status::kModemLines;
    rec.Kind = lineEvent ? kind::kLineEvent : kind::kEvent;
    rec.Source = code == status::kModemLines ? ch.RxSource : ch.TxSource;
    WriteLe<std::uint32_t>(BytesOf(rec), offsetof(TTelegram, Station), value);
    StoreRecord(ctx, rec);
}

void LogText(Context& ctx, TEmSe& ch, std::string_view text) {
    TTelegram rec{};
    rec.Status = status::kFreeText;
    rec.Kind = kind::kEvent;
    rec.Source = ch.TxSource;
    const std::size_t n = std::min<std::size_t>({text.size(), 255, TTelegram::kMaxFrame - 1});
    rec.Frame[0] = static_cast<std::uint8_t>(n);
    std::copy_n(text.data(), n, rec.Frame + 1);
    rec.FrameLen = static_cast<std::int16_t>(n + 1);
    StoreRecord(ctx, rec);
}

}  // namespace vadrix
