#pragma once
// What reception calls outside the channels. The program wires these when it builds the
// context; an unset hook does nothing.

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "channel/TelegramSink.h"

namespace vadrix {

struct TEmSe;

struct ChannelHooks {
    TelegramSink* sink = nullptr;  // the telegram log
    // The transmit step of a channel: posted after each completed telegram, called per tick.
    std::function<void(TEmSe&)> transmitStep;
    // Puts RTS and DTR into their resting state when the port opens.
    std::function<void(TEmSe&)> setIdleLineState;
    // Resets the send items' run state and the transmit counters when a channel is set up.
    std::function<void(TEmSe&)> resetTransmitState;
    // Channel 1 in variant 4: each received block goes to the programming window.
    std::function<void(std::span<const std::uint8_t>)> programmingReceive;
    // Channel 1 in variant 3: each received byte goes to the terminal.
    std::function<void(std::uint8_t)> terminalReceive;
    // The channel's port lost its device while open; why, in the system's words.
    std::function<void(TEmSe&, const std::string&)> portLost;
};

}  // namespace vadrix
