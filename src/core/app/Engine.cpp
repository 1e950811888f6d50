#include "app/Engine.h"

#include <algorithm>
#include <cstdio>

#include "app/DataFiles.h"
#include "app/TimeBase.h"
#include "channel/Channel.h"
#include "channel/Framer.h"
#include "common/TextIds.h"
#include "editors/SendControl.h"
#include "transmit/Repetition.h"
#include "transmit/Roles.h"
#include "transmit/Scheduler.h"
#include "transmit/Transmit.h"

namespace vadrix {
namespace {

inline constexpr std::uint32_t kMsPerHour = 3600000;

std::uint32_t MsOfDay(const LocalDateTime& t) {
    return static_cast<std::uint32_t>(t.hour) * kMsPerHour +
           static_cast<std::uint32_t>(t.minute * 60000 + t.second * 1000 + t.millisecond);
}

// A channel being set up starts its roles over, keeps a telegram for every sequence number
// of its stations (a repeat request may name one never sent) and stops every send item.
void ResetTransmitState(Context& ctx, TEmSe& ch) {
    ResetRoleState(ch);
    InitRepetitionStore(ctx, ch);
    StopAllSending(ctx);
}

}  // namespace

Engine::Engine(Context& ctx) : ctx_(ctx) {
    ChannelHooks& h = ctx.channelHooks;
    Context* c = &ctx;
    h.transmitStep = [c](TEmSe& ch) { TransmitTick(*c, ch); };
    h.setIdleLineState = [c](TEmSe& ch) { SetIdleLineState(*c, ch); };
    h.resetTransmitState = [c](TEmSe& ch) { ResetTransmitState(*c, ch); };
    h.portLost = [this](TEmSe& ch, const std::string& why) { OnPortLost(ch, why); };
}

Engine::~Engine() {
    ChannelHooks& h = ctx_.channelHooks;
    h.transmitStep = nullptr;
    h.setIdleLineState = nullptr;
    h.resetTransmitState = nullptr;
    h.portLost = nullptr;
}

void Engine::Start() {
    ctx_.run.OnlineApplyTick = ctx_.run.TickCount + kOnlineApplyDelay;
}

void Engine::Tick() {
    TRunState& run = ctx_.run;
    if ((run.TickCount & 1) == 0 && ctx_.settings.Online != 0) MinuteCheck();
    if ((run.TickCount & 0xFF) == 0) MeasurePeriod();
    const int p = DisplayStepParameter();
    ChannelTick(ctx_, ctx_.emse1);
    ChannelTick(ctx_, ctx_.emse2);
    if (hooks.onlineDisplayStep) hooks.onlineDisplayStep(p);
    if (run.TickCount == run.OnlineApplyTick) {
        --run.OnlineApplyTick;
        ApplyOnline();
    }
    ++run.TickCount;
    // What the log holds reaches its file within about a second: a program that is killed
    // or loses its power loses no more, and readers of the live log see it. A failed write
    // raises the log's error flag for the check below.
    ctx_.log.Flush(ctx_.clock.MsCounter());
    if (run.TickCount % 32 == 5 && ctx_.settings.Online != 0) {
        CheckFaultRecord();
        if (run.LogErrorFlag) {
            SetOnline(false);
            Refresh();
            ctx_.ui.ShowMessage(ctx_.Txt(txt::kLogWriteError), MessageKind::kError,
                                MessageButtons::kOk);
            run.LogErrorFlag = false;
        }
    }
    if (run.FaultFlag) GoOfflineAfterFault();
}

void Engine::MinuteCheck() {
    TRunState& run = ctx_.run;
    const bool daily = ctx_.settings.Option(TSettings::kOptDailyLog);
    if (!run.TimeTriggers && !daily) return;
    const LocalDateTime now = ctx_.clock.Now();
    if (static_cast<std::uint32_t>(now.minute) == run.LastMinute) return;
    run.LastMinute = static_cast<std::uint32_t>(now.minute);
    if (run.TimeTriggers) EvaluateTimeTriggers(ctx_, now.minute);
    if (daily && now.hour == 0 && now.minute == 0) BeginDailyLog();
}

// The mean period of the last 256 ticks, rounded; the first measurement and one across
// midnight only take the time.
void Engine::MeasurePeriod() {
    TRunState& run = ctx_.run;
    if (ctx_.settings.Online != 0) AdjustClock(ctx_);
    const std::uint32_t d = MsOfDay(ctx_.clock.Now());
    if (run.TickCount != 0 && d > run.LastMeasureMs) {
        const std::uint32_t period = (d + 128 - run.LastMeasureMs) >> 8;
        run.TickPeriodMs = std::clamp(period, kTickPeriodMin, kTickPeriodMax);
    }
    run.LastMeasureMs = d;
}

int Engine::DisplayStepParameter() {
    const std::uint32_t c = ctx_.run.DisplayStepCount++;
    if (c <= 5) return static_cast<int>(c);
    return (c % 2 == 1) ? 0 : 5;
}

// A fault is forgiven a few times while the allowance lasts; then the program goes offline
// and shows the fault words.
void Engine::CheckFaultRecord() {
    TFaultRecord& f = ctx_.run.FaultRecord;
    if (f.A == 0 && f.B == 0) return;
    if (f.RetryAllowance > 1 && f.RetryCount < 3) {
        --f.RetryAllowance;
        ++f.RetryCount;
        f.A = 0;
        f.B = 0;
        return;
    }
    char words[80];
    std::snprintf(words, sizeof words, "%x.%d.%d.%d.%x", f.A >> 8, static_cast<int>(f.B),
                  static_cast<int>(f.C), static_cast<int>(f.RetryAllowance), f.D);
    ctx_.texts.ReplaceTxt(txt::kFaultText, words);
    ctx_.run.FaultFlag = true;
}

void Engine::GoOfflineAfterFault() {
    ctx_.run.FaultFlag = false;
    SetOnline(false);
    Refresh();
    // Shown from the main loop, as a posted message would be.
    Context* c = &ctx_;
    ctx_.loop.Post([c] {
        std::string text(c->Txt(txt::kFaultText));
        text += c->Txt(txt::kFaultMessage);
        c->ui.ShowMessage(text, MessageKind::kError, MessageButtons::kOk);
    });
}

// The device of an open port went away: the program goes offline, as after a log write
// error, and says which port and why. Going online again opens the port anew.
void Engine::OnPortLost(TEmSe& ch, const std::string& why) {
    if (ch.PortOpen == 0 || ctx_.settings.Online == 0) return;
    const std::string text = "COM" + std::to_string(ch.P.ComNumber) +
                             std::string(ctx_.Txt(txt::kPortLostDevice)) + why +
                             std::string(ctx_.Txt(txt::kPortLostOffline));
    SetOnline(false);
    Refresh();
    // Shown from the main loop, not from inside the port's event.
    Context* c = &ctx_;
    ctx_.loop.Post(
        [c, text] { c->ui.ShowMessage(text, MessageKind::kError, MessageButtons::kOk); });
}

void Engine::SetOnline(bool on) {
    if (on) InitClock(ctx_);
    ctx_.settings.Online = on ? 1 : 0;
    ApplyOnline();
    if (!on) ctx_.run.DisplayStepCount = 0;
}

void Engine::ApplyOnline() {
    if (ctx_.settings.Online != 0) {
        std::string error;
        if (!OpenPorts(ctx_, error) && hooks.portError) hooks.portError(error);
    } else {
        ClosePorts(ctx_);
    }
    ctx_.ui.SetIndicator(Indicator::kOnline, ctx_.settings.Online);
    Refresh();
}

void Engine::ToggleOnline() {
    if (ctx_.settings.Online == 0) {
        ctx_.log.ClearCounters();
        const std::filesystem::path name = LiveLogName();
        if (name != ctx_.run.LogFilePath && !ctx_.run.LogFromFile) {
            ctx_.run.LogFilePath = name;
            ReopenLiveLog();
        }
    }
    SetOnline(ctx_.settings.Online == 0);
}

void Engine::GoOffline() {
    if (ctx_.settings.Online != 0) SetOnline(false);
}

void Engine::BeginDailyLog() {
    ctx_.log.Close();
    ctx_.log.ClearQueue();
    ctx_.run.LogFilePath = LiveLogName();
    ctx_.log.Create();
    Refresh();
    if (hooks.showOnlineDisplay) hooks.showOnlineDisplay();
}

void Engine::ResetCounters() {
    LogText(ctx_, ctx_.emse1, ctx_.Txt(txt::kCountersResetText));
    ctx_.log.ClearCounters();
    ctx_.ui.SetIndicator(Indicator::kStatusTable, 0);
}

std::filesystem::path Engine::LiveLogName() {
    return DataFileName(ctx_, txt::kLogFileName);
}

void Engine::ReopenLiveLog() {
    ctx_.log.Close();
    ctx_.log.Open(ctx_.run.LogFilePath, ctx_.settings.Option(TSettings::kOptDailyLog),
                  OpenIntent::kOwnLog);
    Refresh();
    if (hooks.showOnlineDisplay) hooks.showOnlineDisplay();
}

void Engine::Refresh() {
    if (hooks.refresh) hooks.refresh();
}

}  // namespace vadrix
