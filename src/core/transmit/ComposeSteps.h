#pragma once
// The steps every composed record shares: set-up, finish and the checksum step.

#include <cstdint>

#include "app/Context.h"

namespace vadrix {

// The station-address setting of the channel's transmit direction, and the address bytes
// (0, 1 or 2) it gives composed telegrams.
std::uint32_t TxAddressSetting(const TEmSe& ch);
int TxAddressBytes(const TEmSe& ch);
inline bool TxHasStation(const TEmSe& ch) {
    return TxAddressBytes(ch) != 0;
}
// Puts the address bytes of the transmit direction at p and returns the position behind
// them: the station byte, after a first address byte 0 when there are two, so that it lies
// where the record's address shift puts it.
int PutAddressBytes(const TEmSe& ch, TTelegram& t, int p, std::uint8_t stationByte);

// The interface header of a telegram for the monitor device to send (frame bytes 4 to 7):
// 0x02, what follows (a bit string or 16-bit words), 0x00 and their count.
inline constexpr std::uint8_t kInterfaceBits = 0x02;
inline constexpr std::uint8_t kInterfaceWords = 0x03;
void PutInterfaceHeader(TTelegram& t, std::uint8_t content, int count);

// Clears a record for the channel: record code "(", kind 3, both start bytes, the channel
// id and the address-length byte. Without a record, the channel's transmit record.
TTelegram& RecordSetUp(const TEmSe& ch, TTelegram& t);
TTelegram& RecordSetUp(TEmSe& ch);
// With the frame length counting checksum and end byte: checksum, 0x16 and both length bytes.
void ChecksumStep(TTelegram& t);
// Length + 2, the derived fields, in variants 0 and 1 the bit packing (by kind), then the
// checksum step.
void Finish(const Context& ctx, const TEmSe& ch, TTelegram& t, int kind);
void Finish(Context& ctx, TEmSe& ch, int kind);

}  // namespace vadrix
