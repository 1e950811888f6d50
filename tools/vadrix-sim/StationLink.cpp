#include "StationLink.h"

#include <sys/time.h>
#include <ctime>

#include "app/Context.h"
#include "channel/Channel.h"
#include "channel/Framer.h"
#include "channel/LinkFields.h"
#include "transmit/Compose.h"

namespace vadrix::sim {

// The simulator's own time: the millisecond count its run loop gives, and the local time.
class StationClock : public Clock {
  public:
    std::uint32_t MsCounter() override { return nowMs; }
    LocalDateTime Now() override {
        timeval tv{};
        ::gettimeofday(&tv, nullptr);
        tm local{};
        ::localtime_r(&tv.tv_sec, &local);
        return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,         local.tm_hour,
                local.tm_min,         local.tm_sec,     int(tv.tv_usec / 1000)};
    }
    void Sleep(std::uint32_t) override {}
    std::uint32_t nowMs = 0;
};

namespace {

// Nothing is posted, timed or shown: the simulator's context only frames and composes.
class NoLoop : public EventLoop {
  public:
    void Post(Task) override {}
    void ProcessPending() override {}
    TimerId StartOneShot(std::uint32_t, Task) override { return 0; }
    void CancelTimer(TimerId) override {}
};
class NoWindow : public UserInterface {
  public:
    MessageResult ShowMessage(std::string_view, MessageKind, MessageButtons) override {
        return MessageResult::kOk;
    }
    void SetIndicator(Indicator, int) override {}
    void RequestRedraw() override {}
    void SetWaitCursor(bool) override {}
};

// Hands every completed telegram to the link instead of a log.
class Tap : public TelegramSink {
  public:
    explicit Tap(std::function<void(const TTelegram&)> f) : f_(std::move(f)) {}
    void Store(TTelegram& rec) override { f_(rec); }

  private:
    std::function<void(const TTelegram&)> f_;
};

// Codes of the address and category checks: the frame itself arrived whole; whose
// station it is, the stations decide themselves.
bool SoundFrame(std::uint8_t code) {
    return code == rx_status::kGood ||
           (code >= rx_status::kCategory && code <= rx_status::kShortFunction);
}

}  // namespace

struct StationLink::Seams {
    NoLoop loop;
    NoWindow window;
    std::unique_ptr<Tap> tap;
};

const char* DamageName(Damage d) {
    switch (d) {
        case Damage::kChecksum:
            return "checksum";
        case Damage::kLength:
            return "length";
        case Damage::kStopByte:
            return "stop byte";
        default:
            return "none";
    }
}

StationLink::StationLink(SerialPort& port, std::uint32_t baud)
    : port_(port), clock_(std::make_unique<StationClock>()), seams_(std::make_unique<Seams>()) {
    ctx_ = std::make_unique<Context>(*clock_, seams_->loop, seams_->window);
    seams_->tap = std::make_unique<Tap>([this](const TTelegram& rec) { OnStored(rec); });
    Context& ctx = *ctx_;
    ctx.channelHooks = ChannelHooks{};
    ctx.channelHooks.sink = seams_->tap.get();
    ctx.general.ProtocolVariant = 2;
    // The stations' values change only where the stations change them.
    ctx.settings.Options[TSettings::kOptCounterIncrement] = 0;
    ctx.settings.Options[TSettings::kOptTimeTags] = 0;
    for (TEmSe* ch : {&ctx.emse1, &ctx.emse2}) {
        ch->P.Baud = static_cast<std::int32_t>(baud);
        ch->P.Function = 0;  // no role: the stations answer themselves
        InitChannel(ctx, *ch);
    }
    // Channel 2 composes: the control byte is taken as the stations give it.
    ctx.emse2.LinkTestFlags[kLinkTestExplicitControl] = true;
}

StationLink::~StationLink() = default;

void StationLink::SetFaults(double rate, std::uint32_t seed) {
    faultRate_ = rate;
    faultRng_.seed(seed);
}

void StationLink::Receive(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const std::size_t n = std::min(bytes.size(), kMaxReadBlock);
        ctx_->emse1.RxBlockLeft = static_cast<std::uint16_t>(n);
        ReceiveBlock(*ctx_, ctx_->emse1, bytes.first(n));
        bytes = bytes.subspan(n);
    }
}

void StationLink::Tick(std::uint32_t nowMs) {
    clock_->nowMs = nowMs;
    TEmSe& ch = ctx_->emse1;
    if (ch.RxCount > 0 && static_cast<std::int32_t>(nowMs - ch.RxDeadline) > 0)
        FrameDone(*ctx_, ch);
}

void StationLink::OnStored(const TTelegram& stored) {
    ++counts_.heard;
    TTelegram rec = stored;
    Heard h;
    h.status = SoundFrame(rec.Status) ? rx_status::kGood : rec.Status;
    if (h.status != rx_status::kGood) ++counts_.faulty;
    h.isVariable = rec.FrameLen > 0 && rec.Frame[0] == kVariableStart;
    if (h.status == rx_status::kGood) {
        rec.Status = rx_status::kGood;
        const LinkLayout l = LayoutOf(*ctx_);
        h.isShort = IsShort(rec, l);
        if (h.isShort) {
            h.station = ShortStation(rec, l);
            h.function = ShortFunction(rec, l);
        } else {
            h.station = StationField(rec, l);
            h.seq = SequenceNumber(rec, l);
            h.seqFlag = SequenceFlag(rec, l);
            h.dataKind = DataKindField(rec, l);
            h.telNo = TelNoField(rec, l);
            h.lenCode = LenCodeField(rec, l);
            for (int i = 0; i < DataBytesOfKind(h.lenCode); ++i)
                h.data.push_back(DataByte(rec, l, i));
        }
    }
    if (handler_) handler_(h);
}

void StationLink::SendShort(int station, int code) {
    TEmSe& ch = ctx_->emse2;
    SendRequest(*ctx_, ch, static_cast<std::uint8_t>(station), code);
    Write({ch.TxBuffer.Frame, ch.TxBuffer.Frame + ch.TxBuffer.FrameLen});
}

std::vector<std::uint8_t> StationLink::SendData(int station, const TSendEntry& def, int seq,
                                                bool toggle) {
    TEmSe& ch = ctx_->emse2;
    ch.P.StationAddr[0] = static_cast<std::uint16_t>(station);
    ch.P.StationCount = 1;
    TSendTelegram t;
    t.Head.Entry = def;
    t.Head.StNr = 0;
    t.Head.Shft = 0;
    t.Head.Tge = 0;
    t.Head.Ueb = toggle ? 1 : 0;
    t.Head.Tfk = seq;
    ComposeTelegram(*ctx_, ch, t);
    std::vector<std::uint8_t> frame(ch.TxBuffer.Frame, ch.TxBuffer.Frame + ch.TxBuffer.FrameLen);
    Write(frame);
    return frame;
}

void StationLink::SendFrame(std::vector<std::uint8_t> frame) {
    Write(std::move(frame));
}

void StationLink::Write(std::vector<std::uint8_t> frame) {
    lastDamage_ = Damage::kNone;
    if (faultRate_ > 0 && frame.size() >= 5 &&
        std::uniform_real_distribution<double>(0, 1)(faultRng_) < faultRate_) {
        lastDamage_ = static_cast<Damage>(std::uniform_int_distribution<int>(1, 3)(faultRng_));
        const std::size_t last = frame.size() - 1;
        switch (lastDamage_) {
            case Damage::kChecksum:
                ++frame[last - 1];
                break;
            case Damage::kLength:
                // One byte fewer than the frame announces: the receiver waits for it in vain.
                frame.erase(frame.begin() + static_cast<std::ptrdiff_t>(last - 2));
                break;
            default:
                frame[last] = 0x00;  // the frame ends without its stop byte
                break;
        }
        ++counts_.damaged;
    }
    ++counts_.sent;
    port_.Write(frame);
}

}  // namespace vadrix::sim
