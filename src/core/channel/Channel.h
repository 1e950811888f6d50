#pragma once
// The two channels: set-up, opening and closing of their ports, the LEDs and the port
// events that feed reception.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "app/Context.h"
#include "channel/EmSe.h"
#include "channel/LinkFields.h"
#include "channel/SerialPort.h"

namespace vadrix {

// The largest block handed to the framer at once.
inline constexpr std::size_t kMaxReadBlock = 269;
// Divisor used for time-outs when a channel has no baud rate set.
inline constexpr int kFallbackBaud = 9600;

inline bool IsChannel1(const Context& ctx, const TEmSe& ch) {
    return &ch == &ctx.emse1;
}
inline LinkLayout LayoutOf(const Context& ctx) {
    return {ctx.general.ProtocolVariant, ctx.run.UserDataOffset, ctx.run.MaxStation};
}

// Start-up: channel 1 takes its baud rate from the baud list, channel 2 becomes its copy
// with sources 3 and 4 and first station address 2.
void DeriveChannel2(Context& ctx);
// The rate of the baud list entry BaudIndex; the current rate when the text holds none.
void TakeBaudFromList(Context& ctx, TEmSe& ch);

// Prepares the run-time state of a channel for the current mode and parameters.
void InitChannel(Context& ctx, TEmSe& ch);
// The line settings the channel's port gets in the current mode.
SerialSettings EffectiveSettings(const Context& ctx, const TEmSe& ch);
// Opens the channel's port if it is in use and closed; false with a message on failure.
bool OpenChannel(Context& ctx, TEmSe& ch, std::string& error);
void CloseChannel(Context& ctx, TEmSe& ch);
// Both channels, channel 1 first. Opening with no port configured shows a message and
// clears Online; the errors of ports that fail to open are returned, one line each.
bool OpenPorts(Context& ctx, std::string& error);
void ClosePorts(Context& ctx);
// Stores an event record for a port opened (48) or closed (49) with the channel's counters.
void LogPortEvent(Context& ctx, TEmSe& ch, std::uint8_t code);

void LedLight(UserInterface& ui, TLed& led);
void LedTick(UserInterface& ui, TLed& led);

// Connects a port to a channel: the channel keeps the port, the port's events reach it.
void BindChannel(Context& ctx, TEmSe& ch, SerialPort& port);
// The data event: reads the announced bytes in blocks and routes them by mode.
void OnPortData(Context& ctx, TEmSe& ch, std::size_t count);
// The status event: logs a change of the watched modem lines and arms the trigger again.
void OnPortStatus(Context& ctx, TEmSe& ch, std::uint16_t trigger);

// Hands a record to the telegram log, if one is wired.
void StoreRecord(Context& ctx, TTelegram& rec);

}  // namespace vadrix
