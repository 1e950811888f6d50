#pragma once
// The station table of a channel: the addresses of its stations, searched the one way that
// reception, composition and the repetition store share.

#include <algorithm>

#include "channel/ChannelBlock.h"
#include "channel/EmSe.h"

namespace vadrix {

// The entries in use: the station count, never past the stations that keep sequence state.
inline int StationsInUse(const TChannelBlock& p) {
    return std::clamp(p.StationCount, 0, kStationSlots);
}

// The index of a station's address, searched from the last entry in use down (of a station
// entered twice the later entry counts); -1 when it is not in the table.
inline int StationPosition(const TChannelBlock& p, int address) {
    for (int i = StationsInUse(p) - 1; i >= 0; --i)
        if (p.StationAddr[i] == address) return i;
    return -1;
}

}  // namespace vadrix
