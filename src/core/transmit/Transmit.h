#pragma once
// The transmit side of a channel: the per-tick transmit step, the transmit sequence with its
// RTS/DTR lead, line, lag and lock times, sending and logging the transmit buffer, and the
// event records of the line.

#include <cstdint>
#include <string_view>

#include "app/Context.h"

namespace vadrix {

// Delays up to this long are waited in place; longer ones run on a one-shot timer.
inline constexpr int kLongestBusyWaitMs = 54;
// The answer wait of the monitor device, in ticks.
inline constexpr std::uint32_t kAnswerWaitTicks = 20;

// Transmit sequence phases.
namespace tx_phase {
inline constexpr std::int32_t kIdle = 0;
inline constexpr std::int32_t kLead = 1;     // RTS lead time running
inline constexpr std::int32_t kLine = 2;     // bytes on the line, then the lock time
inline constexpr std::int32_t kLag = 3;      // RTS lag time running
inline constexpr std::int32_t kPreSend = 4;  // the pre-send delay running
}  // namespace tx_phase

// Exchange with the monitor device.
namespace await_state {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kConfig = 1;     // the interface configuration is to be sent
inline constexpr std::uint32_t kAnswer = 2;     // waiting for an answer
inline constexpr std::uint32_t kFileBlock = 3;  // the next block of the transfer file
}  // namespace await_state

// Record codes of the transmit side; its events take the codes the log names.
namespace tx_code {
inline constexpr std::uint8_t kNotOnLine = 21;  // kept off the line by the link test
inline constexpr std::uint8_t kBitError = 27;   // one check-bit error put in on purpose
inline constexpr std::uint8_t kSumError = 28;   // checksum error put in on purpose
inline constexpr std::uint8_t kAnswerTimeout = status::kRunEnd;  // the answer wait ran out
inline constexpr std::uint8_t kRepeated = 37;
}  // namespace tx_code

// The per-channel transmit step of every tick and of every completed received telegram.
void TransmitTick(Context& ctx, TEmSe& ch);
// Called after a telegram has been built in TxBuffer: goes on with the transmit sequence
// when nothing is waiting.
void ContinueTransmit(Context& ctx, TEmSe& ch);
void RunTransmitSequence(Context& ctx, TEmSe& ch);
// Stores for repetition, corrupts on request, writes the frame and logs it.
void SendTxBuffer(Context& ctx, TEmSe& ch);

void StartSendDelay(Context& ctx, TEmSe& ch, int ms);
bool SendDelayElapsed(const Context& ctx, const TEmSe& ch);
// True when the sequence may go on at once.
bool WaitStep(Context& ctx, TEmSe& ch, int ms);
// The milliseconds n frame bytes occupy a line of the given speed, plus one.
std::uint32_t LineTimeMs(int frameLength, int speed);

// RTS and DTR in their resting state for the channel's RTS function.
void SetIdleLineState(Context& ctx, TEmSe& ch);

// An event record of the channel (code 34, 35, 43, 50) with a 32-bit value.
void LogEvent(Context& ctx, TEmSe& ch, std::uint8_t code, std::uint32_t value);
// A text record (code 54) that marks the log.
void LogText(Context& ctx, TEmSe& ch, std::string_view text);

}  // namespace vadrix
