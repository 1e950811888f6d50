#include "transmit/Repetition.h"

#include "channel/LinkFields.h"
#include "channel/StationTable.h"
#include "transmit/Compose.h"
#include "transmit/ComposeSteps.h"

namespace vadrix {

namespace {

TTelegram ComposeSlot(Context& ctx, TEmSe& ch, int station, int seq) {
    TTelegram& t = RecordSetUp(ch);
    int p = ctx.run.UserDataOffset;
    p = PutAddressBytes(ch, t, p, static_cast<std::uint8_t>(station & 0x7F));
    t.Frame[p++] = static_cast<std::uint8_t>(seq);
    t.Frame[p++] = 0x00;  // object 512, kind 0: the cyclic telegram
    t.Frame[p++] = 0x02;
    t.Frame[p++] = 0xAA;
    t.Frame[p++] = 0x55;
    t.FrameLen = static_cast<std::int16_t>(p);
    Finish(ctx, ch, 0);
    return t;
}

int StationOf(const TEmSe& ch, const TTelegram& t, const LinkLayout& l) {
    if (t.DataShift < 0) return 0;
    return StationPosition(ch.P, StationField(t, l));
}

}  // namespace

void InitRepetitionStore(Context& ctx, TEmSe& ch) {
    if (&ch == &ctx.emse2 && ctx.general.ProtocolVariant != 2) return;
    const TTelegram kept = ch.TxBuffer;
    for (int i = 0; i < StationsInUse(ch.P); ++i) {
        TStationState& st = ch.StationState[i];
        st.W1 = kNoSeq;
        st.W2 = 0;
        st.W3 = 30;
        for (int k = 1; k <= kSeqSlots; ++k)
            st.Slot(k) = ComposeSlot(ctx, ch, ch.P.StationAddr[i], k);
    }
    ch.TxBuffer = kept;
}

void StoreForRepetition(Context& ctx, TEmSe& ch, const TTelegram& sent) {
    const LinkLayout l{ctx.general.ProtocolVariant, ctx.run.UserDataOffset, ctx.run.MaxStation};
    if (IsShort(sent, l) || sent.Frame[0] == kFixedStart) return;
    if (ch.ChannelFunction == 1 || ch.ChannelFunction == 3) return;
    if (sent.Status != record_code::kComposed) return;
    const int seq = SequenceNumber(sent, l);
    if (seq == 0 || seq == kNoSeq) return;
    if (!SequenceAllowed(ctx, ch, DataKindField(sent, l))) return;
    const int index = StationOf(ch, sent, l);
    if (index < 0) return;
    TStationState& st = ch.StationState[index];
    st.W1 = static_cast<std::uint32_t>(seq);
    st.W2 = static_cast<std::uint32_t>(seq);
    st.Slot(seq) = sent;
}

}  // namespace vadrix
