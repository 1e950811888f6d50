#include "channel/Framer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "channel/Channel.h"
#include "channel/CheckBits.h"
#include "channel/LinkFields.h"
#include "channel/StationTable.h"

namespace vadrix {
namespace {

bool IsEnvelopeVariant(int variant) {
    return variant == 0 || variant == 1;
}

// A deadline of the wrapping millisecond counter has passed.
bool IsPast(std::uint32_t now, std::uint32_t deadline) {
    return static_cast<std::int32_t>(now - deadline) > 0;
}

int BaudOrFallback(int baud) {
    return baud > 0 ? baud : kFallbackBaud;
}

// Address bytes of telegrams of a source 1..4.
std::uint32_t AddrBytesOf(const TChannelBlock& p, int source) {
    return p.AddrBytes[std::clamp(source, 1, 4) - 1];
}
// The line an envelope frame reports; anything else counts as line 1.
int EnvelopeLine(const TTelegram& t) {
    const std::uint8_t line = t.Frame[5];
    return line >= 1 && line <= 3 ? line : 1;
}
const TLineParams& LineOf(const TChannelBlock& p, int source) {
    return p.Line[std::clamp(source, 1, 3) - 1];
}

void BeginFrame(TEmSe& ch, std::uint8_t b) {
    ch.RxTel.Frame[0] = b;
    ch.RxCount = 1;
    ch.InFrame = 1;
    ch.RxTel.Kind = kind::kVariable;
    ch.RxExpected = b == kVariableStart ? 4 : 5;
}

// The header of a variable frame fixes the length L + 6 only when it is consistent.
std::uint16_t LengthFromHeader(const TTelegram& t) {
    const std::uint8_t len = t.Frame[1];
    if (t.Frame[2] == len && t.Frame[3] == kVariableStart && len >= 4)
        return static_cast<std::uint16_t>(len + 6);
    return 4;
}

void CollectByte(Context& ctx, TEmSe& ch, std::uint8_t b) {
    TTelegram& t = ch.RxTel;
    t.Frame[ch.RxCount++] = b;
    if (ch.RxCount < ch.RxExpected && ch.RxCount < TTelegram::kMaxFrame) return;
    if (ch.RxExpected == 4 && t.Frame[0] == kVariableStart) {
        ch.RxExpected = LengthFromHeader(t);
        if (ch.RxExpected != 4) return;
    }
    FrameDone(ctx, ch);
}

std::uint8_t FixedFrameStatus(const TTelegram& t) {
    if (t.FrameLen != 5) return rx_status::kLength;
    if (t.Frame[4] != kStopByte) return rx_status::kNoStop;
    if (FrameChecksum(t) != t.Frame[3]) return rx_status::kFixedChecksum;
    return rx_status::kGood;
}

std::uint8_t VariableFrameStatus(const TTelegram& t) {
    if (t.FrameLen != t.Frame[1] + 6) return rx_status::kLength;
    if (t.Frame[t.FrameLen - 1] != kStopByte) return rx_status::kNoStop;
    if (FrameChecksum(t) != t.Frame[t.FrameLen - 2]) return rx_status::kVariableChecksum;
    return rx_status::kGood;
}

std::uint8_t CheckDirectFrame(const Context& ctx, TEmSe& ch) {
    std::uint8_t s = CheckLength(ctx, ch.RxTel);
    if (s == rx_status::kGood) s = CheckAddress(ctx, ch);
    if (s == rx_status::kGood) s = CheckCategory(ctx, ch);
    return s;
}

// Envelope kinds other than monitored telegrams: device texts, answers, value lists.
void ApplyEnvelopeKind(Context& ctx, TEmSe& ch) {
    TTelegram& t = ch.RxTel;
    switch (t.Frame[4]) {
        case 0:
            if (t.Status <= 11) break;
            t.Kind = kind::kEvent;
            t.Source = source::kNone;
            t.Status = rx_status::kDeviceText;
            // The text, length byte first, moves to the start of the frame.
            std::memmove(t.Frame, t.Frame + 8, 1u + t.Frame[8]);
            break;
        case 1:
            ch.AwaitState = 0;
            if (t.Status == rx_status::kGood) t.Status = rx_status::kDeviceKind1;
            break;
        case 5:
            ch.AwaitState = ctx.run.TransferFileOpen ? 3 : 0;
            if (t.Status == rx_status::kGood) t.Status = rx_status::kDeviceKind5;
            break;
        case 3:
            t.Kind = kind::kValueList;
            t.DataKind = 0;
            if (ctx.general.ProtocolVariant == 0 && LineOf(ch.P, t.Source).Tol > 0) t.DataKind = 1;
            break;
        case 6:
            t.Kind = kind::kEvent;
            t.FrameLen = 0;
            break;
        default:
            break;
    }
}

// Up to two short broken pieces in a row are dropped when the channel asks for it.
bool SpikeSuppressed(TEmSe& ch) {
    const TTelegram& t = ch.RxTel;
    if (t.Status > 10) {
        ch.SpikeCount = 0;
        return false;
    }
    if (t.FrameLen <= 4 && ch.P.SpikeFilter == 1 && ch.SpikeCount < 2) {
        ++ch.SpikeCount;
        return true;
    }
    return false;
}

void PostTransmitStep(Context& ctx, TEmSe& ch) {
    if (!ctx.channelHooks.transmitStep) return;
    Context* c = &ctx;
    TEmSe* channel = &ch;
    ctx.loop.Post([c, channel] {
        if (c->channelHooks.transmitStep) c->channelHooks.transmitStep(*channel);
    });
}

}  // namespace

void ReceiveBlock(Context& ctx, TEmSe& ch, std::span<const std::uint8_t> block) {
    for (const std::uint8_t b : block) {
        if (ch.RxBlockLeft > 0) --ch.RxBlockLeft;
        if (ch.InFrame == 0 && (b == kVariableStart || b == kFixedStart)) {
            if (ch.RxCount > 0) FrameDone(ctx, ch);
            BeginFrame(ch, b);
            continue;
        }
        CollectByte(ctx, ch, b);
    }
    if (ch.RxLineErr != 0) FrameDone(ctx, ch);

    const std::uint32_t now = ctx.clock.MsCounter();
    if (ch.InFrame != 0) {
        ch.RxDeadline = now + ch.FrameGapMs;
    } else {
        // Four characters of 11 bits, plus 60 ms.
        const double charTime = 44000.0 / BaudOrFallback(ch.P.Baud);
        ch.RxDeadline = now + 60 + static_cast<std::uint32_t>(std::nearbyint(charTime));
    }
    if (ctx.general.ProtocolVariant == 2) LedLight(ctx.ui, ch.RxLed);
}

void FrameDone(Context& ctx, TEmSe& ch) {
    TTelegram& t = ch.RxTel;
    t.FrameLen = static_cast<std::int16_t>(ch.RxCount);
    t.Source = ch.RxSource;
    t.DataShift = AddressShift(AddrBytesOf(ch.P, ch.RxSource));
    CheckFrame(ctx, ch);
    if (t.Status != rx_status::kGood && ch.ChannelFunction == 3 && ch.PollPhase == 1)
        ch.ShortAddr0 = -1;

    const int variant = ctx.general.ProtocolVariant;
    if (variant == 2 || (t.Frame[4] == 2 && ch.ChannelFunction != 0)) {
        if (t.Status == rx_status::kGood) RunChannelFunction(ctx, ch);
    } else {
        ApplyEnvelopeKind(ctx, ch);
    }
    ch.RxCount = 0;
    ch.RxLineErr = 0;
    ch.InFrame = 0;

    // Envelope frames that carry no telegram are kept only in test mode.
    if (t.Kind != kind::kNoTelegram || ctx.run.TestMode) {
        if (!SpikeSuppressed(ch)) StoreRecord(ctx, t);
        if (variant != 2) LedLight(ctx.ui, t.Source == source::kE2 ? ctx.emse2.RxLed : ch.RxLed);
    }
    PostTransmitStep(ctx, ch);
    t.Kind = 0;
    ch.RxExpected = kLooseBytes;
}

void ChannelTick(Context& ctx, TEmSe& ch) {
    LedTick(ctx.ui, ch.RxLed);
    LedTick(ctx.ui, ch.TxLed);
    if (ch.Transmitting != 0 && ch.TxLed.countdown == 0) LedLight(ctx.ui, ch.TxLed);
    if (ch.RxCount > 0 && IsPast(ctx.clock.MsCounter(), ch.RxDeadline)) FrameDone(ctx, ch);
    if (ctx.channelHooks.transmitStep) ctx.channelHooks.transmitStep(ch);
}

std::uint8_t FrameChecksum(const TTelegram& t) {
    const int first = t.Frame[0] == kFixedStart ? 1 : 4;
    const int last = std::min<int>(t.FrameLen - 3, TTelegram::kMaxFrame - 1);
    unsigned sum = 0;
    for (int i = first; i <= last; ++i) sum += t.Frame[i];
    return static_cast<std::uint8_t>(sum);
}

void CheckFrame(Context& ctx, TEmSe& ch) {
    TTelegram& t = ch.RxTel;
    t.Status = rx_status::kGood;
    t.Station = 0;
    t.LenCode = 0;
    t.DataKind = 0;
    t.TelNo = 0;
    if (ch.RxLineErr != 0) t.Status = rx_status::kLineError;
    if (ch.InFrame == 0) {
        if (t.Status == rx_status::kGood) t.Status = rx_status::kNoStart;
        return;
    }
    const LinkLayout layout = LayoutOf(ctx);
    if (t.Frame[0] == kFixedStart) {
        // A line error does not show for fixed frames.
        t.Status = FixedFrameStatus(t);
        if (t.Status == rx_status::kGood) FillLinkFields(t, layout);
        return;
    }
    // A monitored telegram names its line, whose address bytes place its fields.
    if (IsEnvelopeVariant(layout.protocolVariant) && t.FrameLen > 5 && t.Frame[4] == 2)
        t.DataShift = AddressShift(AddrBytesOf(ch.P, EnvelopeLine(t)));
    FillLinkFields(t, layout);
    std::uint8_t code = VariableFrameStatus(t);
    // The frame ended with the block the line error came with.
    if (code > 11 && ch.RxLineErr != 0 && ch.RxBlockLeft == 0) code = rx_status::kLineErrorInFrame;
    t.Status = code;
    if (code != rx_status::kGood) return;
    t.Status = IsEnvelopeVariant(layout.protocolVariant) ? CheckEnvelope(ctx, ch)
                                                         : CheckDirectFrame(ctx, ch);
}

std::uint8_t CheckLength(const Context& ctx, const TTelegram& t) {
    const LinkLayout layout = LayoutOf(ctx);
    if (IsShort(t, layout)) return rx_status::kGood;
    // Link bytes: station, control, object number, kind byte and the data bytes of the kind.
    // Peers send kind 1 with two data bytes like kind 0; composition gives it its single
    // one, a byte shorter. Both are whole telegrams.
    const int n = t.FrameLen - 2 - layout.userDataOffset - t.DataShift;
    const bool fits = (n == 6 && t.LenCode <= 3) || (n == 5 && t.LenCode == 1) ||
                      (n == 9 && (t.LenCode == 4 || t.LenCode == 5)) || (n == 13 && t.LenCode >= 6);
    return fits ? rx_status::kGood : rx_status::kBitCount;
}

std::uint8_t FindStation(const Context& ctx, TEmSe& ch, std::uint8_t address) {
    (void)ctx;
    ch.StationIdx = StationPosition(ch.P, address);
    if (ch.StationIdx >= 0) return rx_status::kGood;
    return ch.ChannelFunction == 4 ? rx_status::kUnknownStationF4 : rx_status::kUnknownStation;
}

std::uint8_t CheckAddress(const Context& ctx, TEmSe& ch) {
    const TTelegram& t = ch.RxTel;
    const LinkLayout layout = LayoutOf(ctx);
    if (!IsShort(t, layout)) {
        if (t.DataShift != 0 || ch.P.Function == 0) return rx_status::kGood;
        return FindStation(ctx, ch, t.Station);
    }
    const std::uint8_t function = ShortFunction(t, layout);
    if (t.Station == ctx.run.NoStation) {
        if (ch.ChannelFunction == 3) return rx_status::kShortToNoStation;
        return function != 0 ? rx_status::kShortFunction : rx_status::kGood;
    }
    const std::uint8_t found = FindStation(ctx, ch, t.Station);
    if (found != rx_status::kGood) return found;
    if (ch.ChannelFunction == 4 && function == 0) return rx_status::kShortFunction;
    return rx_status::kGood;
}

std::uint8_t CheckCategory(const Context& ctx, const TEmSe& ch) {
    const TTelegram& t = ch.RxTel;
    const LinkLayout layout = LayoutOf(ctx);
    if (IsShort(t, layout)) return rx_status::kGood;
    const int seq = SequenceNumber(t, layout);
    if (seq == 0 && (t.DataKind == 2 || t.DataKind == 3)) return rx_status::kCategory;
    if (ch.ChannelFunction == 3 && t.DataKind == 2) return rx_status::kCategory;
    return rx_status::kGood;
}

int EnvelopeDataBits(std::uint8_t lenCode, int addressBytes) {
    return MonitoredDataBits(lenCode, addressBytes);
}

std::uint8_t CheckEnvelope(const Context& ctx, TEmSe& ch) {
    TTelegram& t = ch.RxTel;
    t.Source = static_cast<std::uint8_t>(EnvelopeLine(t));
    std::uint8_t s = t.Frame[6] != 0 ? t.Frame[6] : rx_status::kGood;
    if (t.Frame[4] != 2) {
        t.Kind = kind::kNoTelegram;
        return s;
    }
    const LinkLayout layout = LayoutOf(ctx);
    int dataBits = 11;
    int checkKind = 2;
    if (!IsShort(t, layout)) {
        dataBits = EnvelopeDataBits(t.LenCode, AddressBytes(AddrBytesOf(ch.P, t.Source)));
        checkKind =
            (static_cast<int>(std::min<std::uint32_t>(LineOf(ch.P, t.Source).CheckCode, 2)) + 1) *
            2;
    }
    const int bitCount = t.Frame[7];
    if (bitCount % 2 == 0 || bitCount != dataBits + CheckBitCount(checkKind))
        return s == rx_status::kDeviceReported ? rx_status::kBitCountReported
                                               : rx_status::kBitCount;
    if (s == rx_status::kDeviceReported) return s;
    if (!CheckBits(t, dataBits, checkKind)) return rx_status::kFixedChecksum;
    // The later checks only ever lower a passing status.
    const std::uint8_t address = CheckAddress(ctx, ch);
    if (address != rx_status::kGood) return address;
    if (s != rx_status::kGood) return s;
    return CheckCategory(ctx, ch);
}

}  // namespace vadrix
