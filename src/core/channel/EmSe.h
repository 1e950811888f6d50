#pragma once
// The channel record: the persistent block of one serial channel and its run-time state.

#include <cstdint>

#include "channel/ChannelBlock.h"

namespace vadrix {

struct TEmSe {
    TChannelBlock P{};  // the persistent block
    std::uint8_t RxSource = 1;
    std::uint8_t TxSource = 2;
};

}  // namespace vadrix
