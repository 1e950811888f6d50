#pragma once
// The link fields of a received or composed frame, shared by reception, composition and
// interpretation. Every access stays inside the frame buffer, whatever DataShift holds.

#include <cstdint>

#include "log/Telegram.h"

namespace vadrix {

// What the layout of a frame depends on.
struct LinkLayout {
    int protocolVariant = 2;
    int userDataOffset = 4;  // H: index in Frame of the first link byte
    std::uint8_t maxStation = 0x7F;
};

inline constexpr std::uint8_t kFixedStart = 0x10;
inline constexpr std::uint8_t kVariableStart = 0x68;
inline constexpr std::uint8_t kStopByte = 0x16;

// A byte of the frame buffer; positions outside it read as zero.
inline std::uint8_t FrameAt(const TTelegram& t, int i) {
    return i >= 0 && i < static_cast<int>(TTelegram::kMaxFrame) ? t.Frame[i] : 0;
}

// Address bytes of a line: 0, 1, or 2 (the station byte second); a larger setting counts as
// two. DataShift is their number less one.
inline constexpr std::uint32_t kMaxAddressBytes = 2;
inline int AddressBytes(std::uint32_t setting) {
    return static_cast<int>(setting < kMaxAddressBytes ? setting : kMaxAddressBytes);
}
inline std::int8_t AddressShift(std::uint32_t setting) {
    return static_cast<std::int8_t>(AddressBytes(setting) - 1);
}

// Data bits of a telegram that the monitor device sends or sees bit by bit, by its length
// code: 49, 41, 69 or 105 with one address byte, eight fewer without and eight more with two.
inline int MonitoredDataBits(int lenCode, int addressBytes) {
    constexpr int kBits[4] = {49, 41, 69, 105};
    return kBits[(lenCode >> 1) & 3] +
           8 * (AddressBytes(static_cast<std::uint32_t>(addressBytes)) - 1);
}

// P: the position of the station byte.
inline int StationPos(const TTelegram& t, const LinkLayout& l) {
    return l.userDataOffset + t.DataShift;
}

inline bool IsShort(const TTelegram& t, const LinkLayout& l) {
    if (l.protocolVariant == 2 && t.Frame[0] == kFixedStart && t.Status == status::kGood)
        return true;
    return t.Frame[0] == kVariableStart && t.FrameLen == l.userDataOffset + 4;
}

inline std::uint8_t StationField(const TTelegram& t, const LinkLayout& l) {
    return FrameAt(t, StationPos(t, l)) & l.maxStation;
}
inline std::uint8_t ControlByte(const TTelegram& t, const LinkLayout& l) {
    return FrameAt(t, StationPos(t, l) + 1);
}
// 1..30; 31 reset or none; 0 none.
inline int SequenceNumber(const TTelegram& t, const LinkLayout& l) {
    return ControlByte(t, l) & 0x1F;
}
inline bool SequenceFlag(const TTelegram& t, const LinkLayout& l) {
    return (ControlByte(t, l) & 0x20) != 0;
}
inline std::uint8_t DataKindField(const TTelegram& t, const LinkLayout& l) {
    return ControlByte(t, l) >> 6;
}
inline std::uint16_t TelNoField(const TTelegram& t, const LinkLayout& l) {
    const int p = StationPos(t, l);
    return static_cast<std::uint16_t>((FrameAt(t, p + 3) & 3) * 256 + FrameAt(t, p + 2));
}
inline std::uint8_t LenCodeField(const TTelegram& t, const LinkLayout& l) {
    return (FrameAt(t, StationPos(t, l) + 3) >> 2) & 7;
}
inline std::uint8_t DataByte(const TTelegram& t, const LinkLayout& l, int i) {
    return FrameAt(t, StationPos(t, l) + 4 + i);
}

// Short telegrams: the two link bytes follow the start byte of a fixed frame, or lie at H.
inline int ShortLinkPos(const TTelegram& t, const LinkLayout& l) {
    return t.Frame[0] == kFixedStart ? 1 : l.userDataOffset;
}
inline std::uint8_t ShortStation(const TTelegram& t, const LinkLayout& l) {
    if (t.Frame[0] == kFixedStart) return t.Frame[1] & l.maxStation;
    return StationField(t, l);
}
// Four bits: bit 7 of the first link byte, then bits 0..2 of the second.
inline std::uint8_t ShortFunction(const TTelegram& t, const LinkLayout& l) {
    const int p = ShortLinkPos(t, l);
    return static_cast<std::uint8_t>((FrameAt(t, p) >> 7) | ((FrameAt(t, p + 1) & 7) << 1));
}
// The record's link fields from its frame, as reception gives them to every telegram and
// composition to every telegram it builds: the station only where the frame's station byte
// lies at H (with none or two address bytes the record names no station), the length code,
// data kind and telegram number for every telegram that is not short.
inline void FillLinkFields(TTelegram& t, const LinkLayout& l) {
    const bool isShort = IsShort(t, l);
    if (t.DataShift == 0) t.Station = isShort ? ShortStation(t, l) : StationField(t, l);
    if (isShort) return;
    t.LenCode = LenCodeField(t, l);
    t.DataKind = DataKindField(t, l);
    t.TelNo = TelNoField(t, l);
}

// Data byte 0, which for a short telegram is its function.
inline std::uint8_t FirstDataByte(const TTelegram& t, const LinkLayout& l) {
    return IsShort(t, l) ? ShortFunction(t, l) : DataByte(t, l, 0);
}

}  // namespace vadrix
