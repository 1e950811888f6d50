#include "transmit/ComposeSteps.h"

#include <algorithm>
#include <span>

#include "channel/Channel.h"
#include "channel/CheckBits.h"
#include "channel/LinkFields.h"
#include "transmit/Compose.h"

namespace vadrix {

namespace {

// The user data from index 8 become a bit string of n data bits and m check bits.
void PackBits(const Context& ctx, const TEmSe& ch, TTelegram& t, int kind) {
    const int h = ctx.run.UserDataOffset;
    int n = 11;
    int c = 2;
    if (t.FrameLen != h + 4) {
        n = PackedDataBits(kind, TxAddressBytes(ch));
        c = (static_cast<int>(std::min<std::uint32_t>(ch.P.Line[1].CheckCode, 2)) + 1) * 2;
    }
    const int m = CheckBitCount(c);
    const std::span<std::uint8_t> bits = std::span(t.Frame).subspan(kEnvelopeBitsPos);
    // Whatever lies past the data bits is cleared before the check bits go there.
    ClearBitsFrom(bits, n);
    AppendCheckBits(bits, n, c);
    t.FrameLen = static_cast<std::int16_t>(h + 2 + (n + m + 7) / 8);
    PutInterfaceHeader(t, kInterfaceBits, n + m);
}

}  // namespace

void PutInterfaceHeader(TTelegram& t, std::uint8_t content, int count) {
    t.Frame[4] = 0x02;
    t.Frame[5] = content;
    t.Frame[6] = 0x00;
    t.Frame[7] = static_cast<std::uint8_t>(count);
}

std::uint32_t TxAddressSetting(const TEmSe& ch) {
    return ch.P.AddrBytes[std::clamp<int>(ch.TxSource, 1, 4) - 1];
}

int TxAddressBytes(const TEmSe& ch) {
    return AddressBytes(TxAddressSetting(ch));
}

int PutAddressBytes(const TEmSe& ch, TTelegram& t, int p, std::uint8_t stationByte) {
    const int n = TxAddressBytes(ch);
    for (int i = 1; i < n; ++i) t.Frame[p++] = 0;
    if (n > 0) t.Frame[p++] = stationByte;
    return p;
}

TTelegram& RecordSetUp(TEmSe& ch) {
    return RecordSetUp(ch, ch.TxBuffer);
}

TTelegram& RecordSetUp(const TEmSe& ch, TTelegram& t) {
    t = TTelegram{};
    t.Status = record_code::kComposed;
    t.Kind = kind::kVariable;
    t.Frame[0] = kVariableStart;
    t.Frame[3] = kVariableStart;
    t.Source = ch.TxSource;
    t.DataShift = AddressShift(TxAddressSetting(ch));
    return t;
}

void ChecksumStep(TTelegram& t) {
    const int len = std::clamp<int>(t.FrameLen, 6, TTelegram::kMaxFrame);
    t.FrameLen = static_cast<std::int16_t>(len);
    t.Frame[len - 2] = FrameChecksum(t.Frame, len);
    t.Frame[len - 1] = kStopByte;
    t.Frame[1] = static_cast<std::uint8_t>(len - 6);
    t.Frame[2] = static_cast<std::uint8_t>(len - 6);
}

void Finish(Context& ctx, TEmSe& ch, int kind) {
    Finish(ctx, ch, ch.TxBuffer, kind);
}

void Finish(const Context& ctx, const TEmSe& ch, TTelegram& t, int kind) {
    t.FrameLen = static_cast<std::int16_t>(t.FrameLen + 2);
    FillLinkFields(t, LayoutOf(ctx));
    const int variant = ctx.general.ProtocolVariant;
    if (variant == 0 || variant == 1) PackBits(ctx, ch, t, kind);
    ChecksumStep(t);
}

}  // namespace vadrix
