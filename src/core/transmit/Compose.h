#pragma once
// Composition: turns a telegram definition (a send telegram, the entry of a send list, or a
// request the station roles make up) into the frame bytes of the channel's transmit record.

#include <cstdint>
#include <functional>
#include <span>

#include "app/Context.h"
#include "common/SendItems.h"

namespace vadrix {

namespace record_code {
inline constexpr std::uint8_t kComposed = 40;   // "("
inline constexpr std::uint8_t kRawBits = 51;    // "3"
inline constexpr std::uint8_t kConfig = 53;     // "5"
inline constexpr std::uint8_t kFileBlock = 55;  // "7"
inline constexpr std::uint8_t kRawWords = 56;   // "8"
inline constexpr std::uint8_t kEmptyAck = 26;
}  // namespace record_code

// Type bytes with a meaning of their own in a definition.
inline constexpr std::uint8_t kTypeRequestL = 'L';
inline constexpr std::uint8_t kTypeRequestComma = ',';
inline constexpr std::uint8_t kTypeRawBits = 'M';
inline constexpr std::uint8_t kTypeRawWords = 'N';
inline constexpr std::uint8_t kTypeRequestCode = 255;

// Fixed request codes of the station roles.
inline constexpr std::uint32_t kCyclicRequestCode = 33576362;     // object 512, kind 0, AA 55
inline constexpr std::uint32_t kStartupRequestCode = 1124925448;  // object 781, kind 4, 08 00

// What composition asks of the scheduler: whether a further send item of the channel is
// due (it decides the last-flag of the station byte in traffic kind 1 on function 4).
struct ComposeHooks {
    std::function<bool(Context&, TEmSe&)> furtherItemDue;
};

// A definition: the header part of a send telegram or list, and for the raw types the free
// data of a send telegram.
struct TelegramDefinition {
    TSendHeader& head;
    std::int32_t dataCount = 0;
    std::span<const std::uint8_t> data{};
};

void ComposeTelegram(Context& ctx, TEmSe& ch, TelegramDefinition def,
                     const ComposeHooks& hooks = {});
void ComposeTelegram(Context& ctx, TEmSe& ch, TSendTelegram& t, const ComposeHooks& hooks = {});

// The telegram a definition makes on the channel now, composed into out for display (the
// editors' preview). The channel (its transmit record and sequence words) and the
// definition (auto-change, counters, time tags) stay as they are. The last flag of traffic
// kind 1 on function 4 takes no further item as due, since asking the scheduler changes it.
void ComposePreview(Context& ctx, const TEmSe& ch, const TelegramDefinition& def, TTelegram& out);
void ComposePreview(Context& ctx, const TEmSe& ch, const TSendTelegram& t, TTelegram& out);

// The function code and toggle bit of the control byte.
std::uint8_t ControlCode(Context& ctx, TEmSe& ch, const TSendHeader& def);
bool SequenceAllowed(const Context& ctx, const TEmSe& ch, int dataKind);

// The short request: station byte with bit 7 from code bit 0, control byte (code >> 1) & 7;
// in variant 2 the fixed frame 0x10 .. 0x16.
void SendRequest(Context& ctx, TEmSe& ch, std::uint8_t station, int code);
// A data telegram from a packed request code: bits 0-7 and 8-15 the data bytes, 16-25 the
// object number, 28-30 the kind.
void SendRequestCode(Context& ctx, TEmSe& ch, std::uint32_t code, const ComposeHooks& hooks = {});
void SendEmptyAck(Context& ctx, TEmSe& ch);

// The 8-bit sum of the bytes from index 4 (index 1 for a fixed frame) to length - 3.
std::uint8_t FrameChecksum(std::span<const std::uint8_t> frame, int length);

// Bits of a kind's data, the data bytes it carries and the mask of its last one.
int DataBytesOfKind(int kind);
std::uint8_t LastByteMask(int kind);
// Data bits of a bit-packed telegram of the kind, with 0, 1 or 2 address bytes.
int PackedDataBits(int kind, int addressBytes);

// Applies the auto-change of the definition (mode 1 upward, 2 downward) to its data.
void AutoChange(TSendEntry& e, int mode);
// The counter of types 15 (BCD) and 16: bit 29 inverted, the count stepped by 15.
void StepCounter(TSendEntry& e);

}  // namespace vadrix
