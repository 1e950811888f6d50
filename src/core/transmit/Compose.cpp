#include "transmit/Compose.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "channel/Channel.h"
#include "channel/CheckBits.h"
#include "channel/LinkFields.h"
#include "channel/StationTable.h"
#include "common/Bytes.h"
#include "transmit/ComposeSteps.h"

namespace vadrix {

namespace {

constexpr int kDataBytes[8] = {2, 1, 2, 2, 5, 5, 9, 9};
constexpr std::uint8_t kLastMask[8] = {0xFF, 0xFF, 0x01, 0x01, 0x0F, 0x0F, 0xFF, 0xFF};
constexpr int kRotatedBits[8] = {16, 16, 9, 9, 36, 36, 72, 72};
constexpr std::int32_t kObjectMax = 1023;
constexpr int kEmptyAckBits = 7;

bool IsEnvelope(const Context& ctx) {
    return ctx.general.ProtocolVariant == 0 || ctx.general.ProtocolVariant == 1;
}

// One composition: the channel it is made for, the record it fills and, when it is made
// for sending, the channel whose sequence words step and the scheduler's hooks. A preview
// for display has neither, so nothing but the record changes.
struct Draft {
    Context& ctx;
    const TEmSe& ch;
    TTelegram& t;
    TEmSe* sending = nullptr;
    const ComposeHooks* hooks = nullptr;
};

// A station index beyond the table counts as the first station.
int ValidStationIndex(const TEmSe& ch, int index) {
    return index < 0 || index > StationsInUse(ch.P) || index >= 16 ? 0 : index;
}

// The index into the station states a definition's sequence numbers belong to.
int SequenceStationIndex(const TEmSe& ch, const TSendHeader& def) {
    int i = ValidStationIndex(ch, def.StNr);
    if (i == StationsInUse(ch.P)) i = std::max(0, StationPosition(ch.P, ch.CurrentStation));
    return std::clamp(i, 0, kStationSlots - 1);
}

// The station a definition addresses: the station being served for the index past the
// table in function 4, else the table entry at its index.
int AddressedStation(const TEmSe& ch, const TSendHeader& def) {
    const int index = ValidStationIndex(ch, def.StNr);
    if (index == StationsInUse(ch.P) && ch.ChannelFunction == 4) return ch.CurrentStation;
    return ch.P.StationAddr[index];
}

// In traffic kind 1 on function 4 the last flag tells whether a further item is due;
// asking the scheduler changes its state, so a preview takes none as due.
std::uint8_t StationByte(const Draft& d, const TSendHeader& def, int station) {
    std::uint8_t flag = def.Tge != 0 ? 0x80 : 0;
    if (d.ctx.general.TrafficKind == 1 && d.ch.ChannelFunction == 4) {
        const bool further = d.sending != nullptr && d.hooks != nullptr &&
                             d.hooks->furtherItemDue && d.hooks->furtherItemDue(d.ctx, *d.sending);
        flag = further ? 0 : 0x80;
    }
    return static_cast<std::uint8_t>((station & d.ctx.run.MaxStation) | flag);
}

// The function code and toggle bit a definition gets now, and how the channel's sequence
// words step when it is sent.
struct ControlPlan {
    std::uint8_t code = 0;
    int station = -1;  // the station whose words step; -1: none
    std::uint32_t next = 0;
    bool toggle = false;
};

ControlPlan PlanControl(const Context& ctx, const TEmSe& ch, const TSendHeader& def) {
    ControlPlan plan;
    if (ch.LinkTestFlags[kLinkTestExplicitControl]) {
        plan.code = static_cast<std::uint8_t>(((def.Ueb & 1) << 5) | (def.Tfk & 31));
        return plan;
    }
    const auto type = static_cast<std::uint8_t>(def.Entry.Typ);
    switch (ch.ChannelFunction) {
        case 0:
            plan.code = type < 18 || (type >= 25 && type <= 44) ? kNoSeq : 0;
            return plan;
        case 2:
        case 4:
            break;
        default:
            return plan;
    }
    const int index = SequenceStationIndex(ch, def);
    const TStationState& st = ch.StationState[index];
    std::uint32_t s = st.W1;
    bool toggle = (st.W4 & 1) != 0;
    if (s != kNoSeq && SequenceAllowed(ctx, ch, def.Entry.Da)) {
        s = s >= 30 ? 1 : s + 1;
        plan.station = index;
        plan.next = s;
        plan.toggle = s == st.W3;
        toggle = toggle || plan.toggle;
    }
    plan.code = static_cast<std::uint8_t>(((toggle ? 1 : 0) << 5) + (s & 31));
    return plan;
}

void StepSequence(TEmSe& ch, const ControlPlan& plan) {
    if (plan.station < 0) return;
    TStationState& st = ch.StationState[plan.station];
    st.W2 = plan.next;
    if (plan.toggle) st.W4 = 1;
}

bool IsBcd(std::uint32_t v, int digits) {
    for (int i = 0; i < digits; ++i)
        if (((v >> (4 * i)) & 0xF) > 9) return false;
    return true;
}
std::uint32_t FromBcd(std::uint32_t v, int digits) {
    std::uint32_t r = 0;
    for (int i = digits - 1; i >= 0; --i) r = r * 10 + ((v >> (4 * i)) & 0xF);
    return r;
}
std::uint32_t ToBcd(std::uint32_t v, int digits) {
    std::uint32_t r = 0;
    for (int i = 0; i < digits; ++i, v /= 10) r |= (v % 10) << (4 * i);
    return r;
}

bool TakesTimeTag(int type) {
    return type == 5 || type == 6 || type == 13 || type == 17 || type == 31 || type == 32 ||
           type == 61;
}

// The position within the current ten minutes, from the local clock.
void WriteTimeTag(Context& ctx, int type, TSendEntry& e) {
    const LocalDateTime now = ctx.clock.Now();
    const std::uint32_t msOfDay = static_cast<std::uint32_t>(
        ((now.hour * 60 + now.minute) * 60 + now.second) * 1000 + now.millisecond);
    const std::uint32_t t = msOfDay % 600000;
    if (type == 17) {
        e.B[8] = static_cast<std::uint8_t>((e.B[8] & 0xC0) | ((t / 1000) % 60));
        return;
    }
    const bool early = type == 31 || type == 32 || type == 61;
    PutLe16(&e.B[early ? 0 : 2], t / 10);
    if (type == 6) e.B[4] = static_cast<std::uint8_t>((e.B[4] & 0x0F) | ((t % 10) << 4));
}

void WriteDateTime(Context& ctx, TSendEntry& e) {
    const LocalDateTime now = ctx.clock.Now();
    const int parts[6] = {now.year % 100, now.month, now.day, now.hour, now.minute, now.second};
    for (int i = 0; i < 6; ++i) e.B[i] = static_cast<std::uint8_t>(parts[i]);
}

int OnesFrom(const TTelegram& t, int first, int end) {
    int n = 0;
    for (int i = first; i < end; ++i) n += std::popcount(static_cast<unsigned>(t.Frame[i]));
    return n;
}

bool IsRequestOnly(std::uint8_t type) {
    return type == kTypeRequestL || type == kTypeRequestComma;
}

// The station byte with bit 7 from code bit 0, the control byte (code >> 1) & 7; in variant
// 2 the fixed frame 0x10 .. 0x16.
void ComposeShortRequest(const Draft& d, std::uint8_t station, int code) {
    TTelegram& t = RecordSetUp(d.ch, d.t);
    const int p = d.ctx.run.UserDataOffset;
    t.Frame[p] = static_cast<std::uint8_t>((station & 0x7F) | ((code & 1) ? 0x80 : 0));
    t.Frame[p + 1] = static_cast<std::uint8_t>((code >> 1) & 7);
    t.FrameLen = static_cast<std::int16_t>(p + 2);
    Finish(d.ctx, d.ch, t, 0);
    if (d.ctx.general.ProtocolVariant != 2) return;
    // Variant 2 sends requests without data in the fixed frame.
    t.Frame[0] = kFixedStart;
    std::memmove(t.Frame + 1, t.Frame + 4, 4);
    std::memset(t.Frame + 5, 0, 4);
    t.FrameLen = 5;
}

void ComposeRequestOnly(const Draft& d, const TSendHeader& def) {
    // The request code is the definition's function code, or its first data byte when the
    // request marker is set.
    const int code = def.Ueb == 1 ? def.Entry.B[0] : def.Tfk;
    const int index = ValidStationIndex(d.ch, def.StNr);
    ComposeShortRequest(d, static_cast<std::uint8_t>(d.ch.P.StationAddr[index]), code);
}

// The bytes of a raw definition that fit behind the frame's interface header.
std::size_t RawBytesThatFit(std::size_t wanted, std::size_t from, std::size_t available) {
    const std::size_t room = TTelegram::kMaxFrame - from - (from == 0 ? 0 : 2);
    return std::min({wanted, room, available});
}

void ComposeRawBits(const Draft& d, const TelegramDefinition& def) {
    const Context& ctx = d.ctx;
    const int bits = std::max(0, def.dataCount);
    TTelegram& t = RecordSetUp(d.ch, d.t);
    if (!IsEnvelope(ctx)) {
        // The free bits are the whole frame, sent as they stand.
        const std::size_t n = RawBytesThatFit((bits + 7) / 8, 0, def.data.size());
        std::memset(t.Frame, 0, sizeof t.Frame);
        std::copy_n(def.data.data(), n, t.Frame);
        t.FrameLen = static_cast<std::int16_t>(n);
        t.Status = record_code::kRawBits;
        FillLinkFields(t, LayoutOf(ctx));
        return;
    }
    const std::size_t from = static_cast<std::size_t>(ctx.run.UserDataOffset);
    const std::size_t n = RawBytesThatFit((bits + 7) / 8, from, def.data.size());
    PutInterfaceHeader(t, kInterfaceBits, bits);
    std::copy_n(def.data.data(), n, t.Frame + from);
    t.FrameLen = static_cast<std::int16_t>(from + 2 + n);
    t.Status = record_code::kRawBits;
    FillLinkFields(t, LayoutOf(ctx));
    ChecksumStep(t);
}

void ComposeRawWords(const Draft& d, const TelegramDefinition& def) {
    constexpr std::size_t kFrom = 8;
    const std::size_t count =
        RawBytesThatFit(2 * static_cast<std::size_t>(std::max(0, def.dataCount)), kFrom,
                        def.data.size()) /
        2;
    TTelegram& t = RecordSetUp(d.ch, d.t);
    PutInterfaceHeader(t, kInterfaceWords, static_cast<int>(count));
    std::copy_n(def.data.data(), 2 * count, t.Frame + kFrom);
    t.FrameLen = static_cast<std::int16_t>(kFrom + 2 + 2 * count);
    t.Status = record_code::kRawWords;
    t.Kind = kind::kValueList;
    FillLinkFields(t, LayoutOf(d.ctx));
    ChecksumStep(t);
}

// A data telegram to the station the definition addresses, or to the given one. Sending
// steps the channel's sequence words; auto-change, time tags and counters change the
// definition (a preview composes a copy).
void ComposeData(const Draft& d, TSendHeader& def, std::optional<int> station = std::nullopt) {
    Context& ctx = d.ctx;
    const TEmSe& ch = d.ch;
    TSendEntry& e = def.Entry;
    const auto type = static_cast<std::uint8_t>(e.Typ);
    TTelegram& t = RecordSetUp(ch, d.t);
    t.InfoClass = static_cast<std::uint8_t>(type + 1);
    int p = ctx.run.UserDataOffset;
    if (TxHasStation(ch)) {
        const int addressed = station.value_or(AddressedStation(ch, def));
        p = PutAddressBytes(ch, t, p, StationByte(d, def, addressed));
    }

    const ControlPlan plan = PlanControl(ctx, ch, def);
    if (d.sending != nullptr) StepSequence(*d.sending, plan);
    std::uint8_t control = plan.code;
    if (ch.LinkTestFlags[kLinkTestToggle]) control = static_cast<std::uint8_t>(control + 32);
    t.Frame[p++] = static_cast<std::uint8_t>((control & 0x3F) | ((e.Da & 3) << 6));

    if (def.Shft != 0) AutoChange(e, def.Shft);
    const int kind = e.Lg & 7;
    t.Frame[p++] = static_cast<std::uint8_t>(e.TelNr & 0xFF);
    t.Frame[p++] =
        static_cast<std::uint8_t>(((e.Sys & 7) << 5) | (kind << 2) | ((e.TelNr >> 8) & 3));

    if (ctx.settings.Option(TSettings::kOptTimeTags) && TakesTimeTag(type))
        WriteTimeTag(ctx, type, e);
    else if (type == 33 || type == 62)
        WriteDateTime(ctx, e);
    if (ctx.settings.Option(TSettings::kOptCounterIncrement) && (type == 15 || type == 16))
        StepCounter(e);

    const int n = kDataBytes[kind];
    for (int i = 0; i < n; ++i) t.Frame[p++] = e.B[i];
    t.Frame[p - 1] &= kLastMask[kind];

    t.FrameLen = static_cast<std::int16_t>(p);
    // Type 18 carries odd parity over its user data in the top bit of its last byte.
    if (type == 18 && OnesFrom(t, 4, p) % 2 == 0) t.Frame[p - 1] ^= 0x80;
    Finish(ctx, ch, t, kind);
}

void ComposeDefinition(const Draft& d, const TelegramDefinition& def) {
    const auto type = static_cast<std::uint8_t>(def.head.Entry.Typ);
    if (IsRequestOnly(type))
        ComposeRequestOnly(d, def.head);
    else if (type == kTypeRawBits)
        ComposeRawBits(d, def);
    else if (type == kTypeRawWords)
        ComposeRawWords(d, def);
    else
        ComposeData(d, def.head);
}

}  // namespace

int DataBytesOfKind(int kind) {
    return kDataBytes[kind & 7];
}
std::uint8_t LastByteMask(int kind) {
    return kLastMask[kind & 7];
}
int PackedDataBits(int kind, int addressBytes) {
    return MonitoredDataBits(kind, addressBytes);
}

std::uint8_t FrameChecksum(std::span<const std::uint8_t> frame, int length) {
    if (frame.empty()) return 0;
    const int first = frame[0] == kFixedStart ? 1 : 4;
    const int last = std::min<int>(length - 3, static_cast<int>(frame.size()) - 1);
    unsigned sum = 0;
    for (int i = first; i <= last; ++i) sum += frame[static_cast<std::size_t>(i)];
    return static_cast<std::uint8_t>(sum);
}

bool SequenceAllowed(const Context& ctx, const TEmSe& ch, int dataKind) {
    if (ch.LinkTestFlags[kLinkTestNoSequence]) return false;
    switch (dataKind & 3) {
        case 0:
        case 1:
            return true;
        case 3:
            return ctx.general.DataSync == 1;
        default:
            return false;
    }
}

std::uint8_t ControlCode(Context& ctx, TEmSe& ch, const TSendHeader& def) {
    const ControlPlan plan = PlanControl(ctx, ch, def);
    StepSequence(ch, plan);
    return plan.code;
}

void ComposeTelegram(Context& ctx, TEmSe& ch, TelegramDefinition def, const ComposeHooks& hooks) {
    ComposeDefinition(Draft{ctx, ch, ch.TxBuffer, &ch, &hooks}, def);
}

void ComposeTelegram(Context& ctx, TEmSe& ch, TSendTelegram& t, const ComposeHooks& hooks) {
    ComposeTelegram(ctx, ch, TelegramDefinition{t.Head, t.DataCount, t.Data}, hooks);
}

void ComposePreview(Context& ctx, const TEmSe& ch, const TelegramDefinition& def, TTelegram& out) {
    TSendHeader head = def.head;  // auto-change, time tags and counters change a copy
    ComposeDefinition(Draft{ctx, ch, out}, TelegramDefinition{head, def.dataCount, def.data});
}

void ComposePreview(Context& ctx, const TEmSe& ch, const TSendTelegram& t, TTelegram& out) {
    TSendHeader head = t.Head;
    ComposePreview(ctx, ch, TelegramDefinition{head, t.DataCount, t.Data}, out);
}

void SendRequest(Context& ctx, TEmSe& ch, std::uint8_t station, int code) {
    ComposeShortRequest(Draft{ctx, ch, ch.TxBuffer, &ch}, station, code);
}

void SendRequestCode(Context& ctx, TEmSe& ch, std::uint32_t code, const ComposeHooks& hooks) {
    TSendHeader def{};
    def.Entry = TSendEntry{};
    std::memset(def.Entry.B, 0, sizeof def.Entry.B);
    def.Entry.Akt = 0;
    def.Entry.Da = 0;
    def.Entry.Sys = 0;
    def.Entry.B[0] = static_cast<std::uint8_t>(code & 0xFF);
    def.Entry.B[1] = static_cast<std::uint8_t>((code >> 8) & 0xFF);
    def.Entry.TelNr = static_cast<std::uint16_t>((code >> 16) & 0x3FF);
    def.Entry.Lg = static_cast<std::uint8_t>((code >> 28) & 7);
    def.Entry.Typ = static_cast<std::int8_t>(kTypeRequestCode);
    def.AnstDa = 0;
    def.AnstByte = 0;
    def.AnzT = 0;
    def.Send = 0;
    def.WZt = 0;
    const Draft d{ctx, ch, ch.TxBuffer, &ch, &hooks};
    if (ch.ChannelFunction != 3) {
        ComposeData(d, def);
        return;
    }
    // Function 3 answers the station being served, wherever the last telegram came from; a
    // station outside the table is still the one addressed.
    const int served = StationPosition(ch.P, ch.CurrentStation);
    def.StNr = std::max(0, served);
    ComposeData(d, def, served < 0 ? std::optional<int>(ch.CurrentStation) : std::nullopt);
}

void SendEmptyAck(Context& ctx, TEmSe& ch) {
    TTelegram& t = RecordSetUp(ch);
    t.Status = record_code::kEmptyAck;
    t.Kind = 0;
    if (!IsEnvelope(ctx)) {
        std::memset(t.Frame, 0, 4);
        t.FrameLen = 1;
        return;
    }
    const int p = ctx.run.UserDataOffset;
    t.Frame[p] = 0;
    t.FrameLen = static_cast<std::int16_t>(p + 3);
    PutInterfaceHeader(t, kInterfaceBits, kEmptyAckBits);
    ChecksumStep(t);
}

void AutoChange(TSendEntry& e, int mode) {
    if (mode != 1 && mode != 2) return;
    if (e.Typ == 18) {
        // A walking bit over the first data byte and on through the object numbers.
        if (mode == 1) {
            if (e.B[0] >= 128) {
                e.B[0] = 1;
                e.TelNr = static_cast<std::uint16_t>(std::min<int>(e.TelNr + 1, kObjectMax));
            } else {
                e.B[0] = static_cast<std::uint8_t>(e.B[0] * 2);
            }
        } else if (e.B[0] == 1) {
            e.B[0] = 128;
            e.TelNr = static_cast<std::uint16_t>(std::max<int>(e.TelNr - 1, 0));
        } else {
            e.B[0] = static_cast<std::uint8_t>(e.B[0] / 2);
        }
        return;
    }
    const int bits = kRotatedBits[e.Lg & 7];
    const std::span<std::uint8_t> data(e.B);
    if (mode == 1) {
        const bool top = BitAt(data, bits - 1);
        for (int i = bits - 1; i > 0; --i) SetBitAt(data, i, BitAt(data, i - 1));
        SetBitAt(data, 0, top);
    } else {
        const bool bottom = BitAt(data, 0);
        for (int i = 0; i + 1 < bits; ++i) SetBitAt(data, i, BitAt(data, i + 1));
        SetBitAt(data, bits - 1, bottom);
    }
}

void StepCounter(TSendEntry& e) {
    constexpr std::uint32_t kCountMask = 0x0FFFFFFF;
    constexpr std::uint32_t kToggle = 1u << 29;
    const std::uint32_t v = Le32(e.B);
    const std::uint32_t high = (v & ~kCountMask) ^ kToggle;
    std::uint32_t count = v & kCountMask;
    if (e.Typ == 16) {
        count = (count + 15) & kCountMask;
    } else {
        std::uint32_t decimal = IsBcd(count, 7) ? FromBcd(count, 7) + 15 : count;
        if (decimal > 9999999) decimal -= 10000000;
        count = ToBcd(decimal % 10000000, 7);
    }
    PutLe32(e.B, high | count);
}

}  // namespace vadrix
