#pragma once
// Reception: cuts a channel's bytes into telegrams, checks them, runs the reception side of
// the simulation and hands every telegram to the log.

#include <cstdint>
#include <span>

#include "app/Context.h"
#include "channel/EmSe.h"

namespace vadrix {

// Status codes of received telegrams.
namespace rx_status {
inline constexpr std::uint8_t kLineError = 1;
inline constexpr std::uint8_t kNoStart = 5;
inline constexpr std::uint8_t kLength = 8;
inline constexpr std::uint8_t kNoStop = 10;
inline constexpr std::uint8_t kDeviceReported = 12;
inline constexpr std::uint8_t kSequence = 20;
inline constexpr std::uint8_t kNoSeqNumber = 22;
inline constexpr std::uint8_t kLineErrorInFrame = 24;
inline constexpr std::uint8_t kBitCountReported = 25;
inline constexpr std::uint8_t kBitCount = 26;
inline constexpr std::uint8_t kFixedChecksum = 27;  // also wrong check bits
inline constexpr std::uint8_t kVariableChecksum = 28;
inline constexpr std::uint8_t kCategory = 29;
inline constexpr std::uint8_t kShortToNoStation = 30;
inline constexpr std::uint8_t kUnknownStation = 31;
inline constexpr std::uint8_t kShortFunction = 32;
inline constexpr std::uint8_t kGood = 40;
inline constexpr std::uint8_t kUnknownStationF4 = 42;
inline constexpr std::uint8_t kAwaitedOutOfOrder = 44;
inline constexpr std::uint8_t kCycleMarked = 46;
inline constexpr std::uint8_t kDeviceKind5 = 52;
inline constexpr std::uint8_t kDeviceKind1 = 53;
inline constexpr std::uint8_t kDeviceText = 54;
}  // namespace rx_status

// The byte count that completes loose bytes.
inline constexpr std::uint16_t kLooseBytes = 36;

void ReceiveBlock(Context& ctx, TEmSe& ch, std::span<const std::uint8_t> block);
// Completes the collected bytes as one telegram.
void FrameDone(Context& ctx, TEmSe& ch);
// Once per main timer tick: LEDs, the receive deadline, the transmit step.
void ChannelTick(Context& ctx, TEmSe& ch);

// Gives RxTel its status and link fields.
void CheckFrame(Context& ctx, TEmSe& ch);
// The 8-bit sum over the bytes the frame's checksum covers.
std::uint8_t FrameChecksum(const TTelegram& t);

// The single checks; each returns the status it finds (40 when it passes).
std::uint8_t CheckLength(const Context& ctx, const TTelegram& t);
std::uint8_t FindStation(const Context& ctx, TEmSe& ch, std::uint8_t address);
std::uint8_t CheckAddress(const Context& ctx, TEmSe& ch);
std::uint8_t CheckCategory(const Context& ctx, const TEmSe& ch);
std::uint8_t CheckEnvelope(const Context& ctx, TEmSe& ch);
// Data bits of a monitored telegram by its length code, on a line with 0, 1 or 2 address
// bytes.
int EnvelopeDataBits(std::uint8_t lenCode, int addressBytes);

// The reception side of the simulation, for a telegram that passed the checks.
void RunChannelFunction(Context& ctx, TEmSe& ch);
void CheckSequence(Context& ctx, TEmSe& ch);
void MatchSendTables(Context& ctx, TEmSe& ch);

}  // namespace vadrix
