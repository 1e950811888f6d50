#pragma once
// Pure rules of the channel dialogs: the lock-time proposal, the station text and the port
// list items.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "channel/ChannelBlock.h"

namespace vadrix {

// The lock time proposed for a line: 10 without a bit rate, otherwise
// ((mv + 20) * 300 + 1) / bitRate rounded to the nearest integer (halves to even), plus adjust.
int LockTime(int mv, int bitRate, int adjust);

inline constexpr int kMaxStationNumbers = 15;

struct StationTextResult {
    std::vector<std::uint16_t> stations;  // the numbers in range, in order
    bool valid = true;                    // false when a number was out of range or unreadable
};

// Scans a station text for numbers (digits, hexadecimal letters and the extra number
// character form one number); at most 15 numbers are taken. Numbers above noStation and at
// most maxStation are kept; any other number marks the text invalid.
StationTextResult ParseStationText(std::string_view text, char numberExtraChar,
                                   std::uint8_t maxStation, std::uint8_t noStation);
// Stores the numbers into the block followed by noStation; StationCount is their number.
void StoreStations(TChannelBlock& block, const std::vector<std::uint16_t>& stations,
                   std::uint8_t noStation);
// The station field's text: each station number preceded by a blank.
std::string FormatStationText(const TChannelBlock& block);

// The port number of a port list item: characters 6 to 8 as an integer, 0 if they are none.
std::uint32_t ComNumberFromItem(std::string_view item);
// The port list: the no-port item, then prefix + n for every present port but the other
// channel's.
std::vector<std::string> PortListItems(std::string_view noPortItem, std::string_view prefix,
                                       const std::vector<int>& presentPorts,
                                       std::uint32_t otherPort);

}  // namespace vadrix
