#include "channel/Channel.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "channel/Framer.h"
#include "channel/Ticks.h"
#include "common/TextIds.h"

namespace vadrix {
namespace {

bool IsEnvelopeVariant(int variant) {
    return variant == 0 || variant == 1;
}
bool IsDeviceVariant(int variant) {
    return variant == 3 || variant == 4;
}

// Rates that divide: a channel or line without one counts with the usual default.
double RateOr(int rate, int fallback) {
    return rate > 0 ? rate : fallback;
}
inline constexpr int kDefaultBitRate = 200;

std::uint32_t RoundHalfEven(double v) {
    return static_cast<std::uint32_t>(std::nearbyint(v));
}

std::uint8_t ChannelFunctionFor(const Context& ctx, std::uint32_t function) {
    const bool traffic = ctx.general.TrafficKind != 0;
    if (function == 1) return traffic ? 3 : 1;
    if (function == 2) return traffic ? 4 : 2;
    return 0;
}

void ResetStationState(TEmSe& ch) {
    for (TStationState& st : ch.StationState) {
        st.W1 = kNoSeq;
        st.W2 = 0;
        st.W3 = 30;
        st.W4 = 0;
    }
}

void SetTurnAroundTimes(Context& ctx, TEmSe& ch, int baud) {
    const TRunState& run = ctx.run;
    if (ctx.general.ProtocolVariant == 2) {
        const double b = RateOr(baud, kFallbackBaud);
        ch.TurnTicks = SecondsToTicks(run, 55.0 / b) + 6;
        ch.ReplyTicks = SecondsToTicks(run, 154.0 / b) + 6;
        return;
    }
    const double r1 = RateOr(ch.P.Line[0].BitRate, kDefaultBitRate);
    const double r2 = RateOr(ch.P.Line[1].BitRate, kDefaultBitRate);
    ch.TurnTicks = SecondsToTicks(run, 40.0 / r2 + 40.0 / r1) + 6;
    ch.ReplyTicks = SecondsToTicks(run, 40.0 / r2 + 130.0 / r1) + 6;
}

// The channel record reports the port's modem byte against the lines it watches.
void LogModemChange(Context& ctx, TEmSe& ch, std::uint8_t value) {
    TTelegram rec{};
    rec.Status = status::kModemLines;
    rec.Kind = kind::kLineEvent;
    rec.Source = ch.RxSource;
    WriteLe<std::uint32_t>(BytesOf(rec), offsetof(TTelegram, Station), value);
    StoreRecord(ctx, rec);
}

// Bytes of the port read and routed; line errors of the block are collected first.
void TakeBlock(Context& ctx, TEmSe& ch, std::span<const std::uint8_t> block) {
    // A port that keeps reporting errors must not hold the main thread.
    for (int i = 0; i < 16; ++i) {
        const std::uint8_t err = ch.Port->TakeLineError();
        const bool brk = ch.Port->TakeBreak();
        if (err == 0 && !brk) break;
        ch.RxLineErr |= static_cast<std::uint16_t>(err + (brk ? 64 : 0));
    }
    if (block.empty() && ch.RxLineErr == 0) return;
    const int variant = ctx.general.ProtocolVariant;
    if (IsChannel1(ctx, ch) && variant == 4) {
        if (ctx.channelHooks.programmingReceive) ctx.channelHooks.programmingReceive(block);
        LedLight(ctx.ui, ch.RxLed);
    } else if (IsChannel1(ctx, ch) && variant == 3) {
        if (ctx.channelHooks.terminalReceive)
            for (const std::uint8_t b : block) ctx.channelHooks.terminalReceive(b);
        LedLight(ctx.ui, ch.RxLed);
    } else {
        ReceiveBlock(ctx, ch, block);
    }
}

}  // namespace

void TakeBaudFromList(Context& ctx, TEmSe& ch) {
    const std::string_view text = ctx.Txt(txt::kBaudListBase + static_cast<int>(ch.P.BaudIndex));
    int baud = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), baud);
    if (ec == std::errc() && end != text.data() && baud > 0) ch.P.Baud = baud;
}

void DeriveChannel2(Context& ctx) {
    TakeBaudFromList(ctx, ctx.emse1);
    ctx.emse1.RxSource = source::kE1;
    ctx.emse1.TxSource = source::kS1;
    ctx.emse1.RxLed.indicator = Indicator::kRxLed1;
    ctx.emse1.TxLed.indicator = Indicator::kTxLed1;
    ctx.emse2.P = ctx.emse1.P;
    ctx.emse2.P.StationAddr[0] = 2;
    ctx.emse2.RxSource = source::kE2;
    ctx.emse2.TxSource = source::kS2;
    ctx.emse2.RxLed.indicator = Indicator::kRxLed2;
    ctx.emse2.TxLed.indicator = Indicator::kTxLed2;
}

void InitChannel(Context& ctx, TEmSe& ch) {
    TRunState& run = ctx.run;
    const int variant = ctx.general.ProtocolVariant;
    const bool channel1 = IsChannel1(ctx, ch);
    ch.RxExpected = kLooseBytes;
    ch.AwaitState = 0;
    run.MaxStation = 0x7F;
    run.NoStation = 0;
    run.UserDataOffset = 4;
    int baud = ch.P.Baud;

    if (IsEnvelopeVariant(variant)) {
        run.UserDataOffset = 8;
        if (!channel1) {
            // Channel 2 is out of use while the monitor device runs on channel 1.
            ch.P.Function = 0;
            ch.P.ComNumber = 0;
        } else {
            baud = 38400;
            ch.P.LockTimeMs = 1;
            ch.AwaitState = 1;  // the interface configuration goes out first
            if (variant == 0) ch.RxExpected = 269;
            const TLineParams& send = ch.P.Line[1];
            ch.SendBitTimeMs = send.BitRate > 0 ? 1000.0f / static_cast<float>(send.BitRate) : 0;
            ch.SendGapMs = static_cast<float>(send.Mv + 20) * ch.SendBitTimeMs / 10.0f;
        }
    }
    ch.FrameGapMs = RoundHalfEven(704000.0 / RateOr(baud, kFallbackBaud)) + 300;

    ch.SendFlag = 0;
    ch.GenRequest = 0;
    ch.ChannelFunction = 0;
    if (ch.P.Function != 0 && (variant == 1 || variant == 2))
        ch.ChannelFunction = ChannelFunctionFor(ctx, ch.P.Function);
    if (ch.P.StationCount == 0) ch.P.StationCount = 1;

    if (channel1 || variant == 2) ResetStationState(ch);
    std::fill(std::begin(ch.LastSeq), std::end(ch.LastSeq), kNoSeq);

    ch.PostSendExtraMs = ch.P.LockTimeMs + 1;
    ch.TxTickBusy = 0;
    ch.ModemMask =
        static_cast<std::uint8_t>((ch.P.ModemWatch & 0x80) | ((ch.P.ModemWatch & 0x60) >> 1));

    ch.StationIdx = 0;
    ch.TxPhase = 0;
    ch.CurrentStation = ch.P.StationAddr[0];
    if (ch.P.CycleSeconds > 0) ch.CycleCountdown = SecondsToTicks(run, 1.0);
    ch.SupervisionCountdown = 0;
    SetTurnAroundTimes(ctx, ch, baud);

    ch.PollPhase = 0;
    ch.ExpectSeq = -1;
    if (ctx.channelHooks.resetTransmitState) ctx.channelHooks.resetTransmitState(ch);
}

SerialSettings EffectiveSettings(const Context& ctx, const TEmSe& ch) {
    const int variant = ctx.general.ProtocolVariant;
    if (IsChannel1(ctx, ch) && IsEnvelopeVariant(variant)) return {38400, 8, Parity::kEven, 1};
    if (IsDeviceVariant(variant)) return {300, 7, Parity::kEven, 2};
    SerialSettings s;
    s.baud = static_cast<std::uint32_t>(ch.P.Baud > 0 ? ch.P.Baud : kFallbackBaud);
    s.dataBits = std::clamp<std::uint8_t>(ch.P.DataBits, 5, 8);
    s.parity = ch.P.Parity <= 4 ? static_cast<Parity>(ch.P.Parity) : Parity::kNone;
    s.stopBits = ch.P.StopBits == 2 ? 2 : 1;
    return s;
}

bool OpenChannel(Context& ctx, TEmSe& ch, std::string& error) {
    if (ch.P.ComNumber == 0 || ch.PortOpen != 0) return true;
    if (!IsChannel1(ctx, ch) && IsEnvelopeVariant(ctx.general.ProtocolVariant)) {
        // Channel 2 stays closed while the monitor device runs; set-up marks it unused.
        InitChannel(ctx, ch);
        return true;
    }
    const int port = static_cast<int>(ch.P.ComNumber);
    const SerialSettings settings = EffectiveSettings(ctx, ch);
    InitChannel(ctx, ch);
    if (ch.Port == nullptr) {
        error = "COM" + std::to_string(port) + ": no serial port";
        return false;
    }
    std::string why;
    if (!ch.Port->Open(port, settings, why)) {
        error = "COM" + std::to_string(port) + ": " + why;
        return false;
    }
    // A new byte stream starts with nothing pending.
    ch.RxCount = 0;
    ch.InFrame = 0;
    ch.RxLineErr = 0;
    ch.SpikeCount = 0;
    ch.PortOpen = 1;
    // The line control needs the open port.
    if (ctx.channelHooks.setIdleLineState) ctx.channelHooks.setIdleLineState(ch);
    if (ch.ModemMask != 0) {
        ch.ModemTrigger = ch.Port->AddModemTrigger();
        ch.Port->ArmModemTrigger(ch.ModemTrigger, ch.ModemMask);
    }
    LogPortEvent(ctx, ch, status::kPortOpened);
    return true;
}

void CloseChannel(Context& ctx, TEmSe& ch) {
    if (ch.P.ComNumber == 0 || ch.PortOpen != 1) return;
    if (ch.TxTimerId != 0) {
        ctx.loop.CancelTimer(ch.TxTimerId);
        ch.TxTimerId = 0;
    }
    // Bytes still pending are stored before the close event, not dropped.
    if (ch.RxCount > 0 || ch.RxLineErr != 0) FrameDone(ctx, ch);
    LogPortEvent(ctx, ch, status::kPortClosed);
    if (ch.Port != nullptr) ch.Port->Close();
    ch.ModemTrigger = 0;
    ch.PortOpen = 0;
    ch.Transmitting = 0;
}

bool OpenPorts(Context& ctx, std::string& error) {
    error.clear();
    if (ctx.emse1.P.ComNumber == 0 && ctx.emse2.P.ComNumber == 0) {
        ctx.settings.Online = 0;
        ctx.ui.ShowMessage(ctx.Txt(txt::kNoPortConfigured), MessageKind::kWarning,
                           MessageButtons::kOk);
        return true;
    }
    // A port that fails does not keep the other channel from monitoring.
    bool ok = true;
    for (TEmSe* ch : {&ctx.emse1, &ctx.emse2}) {
        std::string why;
        if (OpenChannel(ctx, *ch, why)) continue;
        ok = false;
        if (!error.empty()) error += '\n';
        error += why;
    }
    if (ctx.emse1.P.ComNumber == 0 && ctx.emse2.P.ComNumber == 0) ctx.settings.Online = 0;
    return ok;
}

void ClosePorts(Context& ctx) {
    CloseChannel(ctx, ctx.emse1);
    CloseChannel(ctx, ctx.emse2);
}

void LogPortEvent(Context& ctx, TEmSe& ch, std::uint8_t code) {
    TTelegram rec{};
    rec.Status = code;
    rec.Kind = kind::kEvent;
    rec.Source = ch.RxSource;
    rec.Station = static_cast<std::uint8_t>(ch.P.ComNumber & 0xFF);
    rec.FrameLen = 48;
    const std::span<std::uint8_t> f(rec.Frame);
    const TelegramSink* sink = ctx.channelHooks.sink;
    const int src = ch.RxSource;
    if (sink != nullptr) {
        WriteLe<std::uint32_t>(f, 0, sink->TelegramCount(src));
        WriteLe<std::uint32_t>(f, 4, sink->ErrorCount(src));
        WriteLe<std::uint32_t>(f, 8, sink->TelegramCount(src + 1));
        WriteLe<std::uint32_t>(f, 12, sink->ErrorCount(src + 1));
        if (src + 2 <= source::kS2) WriteLe<std::uint32_t>(f, 16, sink->TelegramCount(src + 2));
    }
    const int variant = ctx.general.ProtocolVariant;
    WriteLe<std::uint32_t>(f, 20, ch.P.Function);
    WriteLe<std::int32_t>(f, 24, variant);
    WriteLe<std::int32_t>(f, 28, ctx.general.TrafficKind);
    if (IsEnvelopeVariant(variant)) {
        WriteLe<std::int32_t>(f, 32, ch.P.Line[0].BitRate);
        WriteLe<std::int32_t>(f, 36, ch.P.Line[1].BitRate);
        WriteLe<std::int32_t>(f, 40, ch.P.Line[2].BitRate);
    } else {
        WriteLe<std::int32_t>(f, 32, ch.P.Baud);
    }
    StoreRecord(ctx, rec);
}

void LedLight(UserInterface& ui, TLed& led) {
    if (led.countdown != 0) return;
    led.countdown = 3;
    led.lit = true;
    ui.SetIndicator(led.indicator, 1);
}

void LedTick(UserInterface& ui, TLed& led) {
    if (led.countdown < 1) return;
    if (--led.countdown == 1) {
        led.lit = false;
        ui.SetIndicator(led.indicator, 0);
    }
}

void BindChannel(Context& ctx, TEmSe& ch, SerialPort& port) {
    ch.Port = &port;
    Context* c = &ctx;
    TEmSe* channel = &ch;
    port.SetDataHandler([c, channel](std::size_t count) { OnPortData(*c, *channel, count); });
    port.SetStatusHandler([c, channel](std::uint16_t t) { OnPortStatus(*c, *channel, t); });
    port.SetLostHandler([c, channel](const std::string& why) {
        if (c->channelHooks.portLost) c->channelHooks.portLost(*channel, why);
    });
}

void OnPortData(Context& ctx, TEmSe& ch, std::size_t count) {
    if (ch.Port == nullptr) return;
    std::uint8_t buf[kMaxReadBlock];
    // An event with no bytes still brings its line error or break (a break has no byte).
    do {
        const std::size_t n = std::min(count, kMaxReadBlock);
        const std::size_t got = n > 0 ? ch.Port->Read(std::span<std::uint8_t>(buf, n)) : 0;
        count = got > 0 ? count - std::min(count, got) : 0;
        ch.RxBlockLeft = static_cast<std::uint16_t>(got);
        TakeBlock(ctx, ch, std::span<const std::uint8_t>(buf, got));
    } while (count > 0);
}

void OnPortStatus(Context& ctx, TEmSe& ch, std::uint16_t trigger) {
    if (ch.Port == nullptr || trigger == 0 || trigger != ch.ModemTrigger) return;
    const std::uint8_t s = ch.Port->ModemStatus();
    const auto m = static_cast<std::uint8_t>((ch.ModemMask >> 4) | 0xF0);
    if ((s & m & 0x0F) != 0) LogModemChange(ctx, ch, static_cast<std::uint8_t>(s & m));
    ch.Port->ArmModemTrigger(ch.ModemTrigger, ch.ModemMask);
}

void StoreRecord(Context& ctx, TTelegram& rec) {
    if (ctx.channelHooks.sink != nullptr) ctx.channelHooks.sink->Store(rec);
}

}  // namespace vadrix
