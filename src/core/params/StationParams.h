#pragma once
// The 16 station parameter bytes of a field device and the values its dialog shows.

#include <array>
#include <cstdint>

namespace vadrix {

using StationParamBlock = std::array<std::uint8_t, 16>;

struct StationParamValues {
    int station = 1;              // byte 8
    int rxBaud = 50;              // byte 0 x 10
    int txBaud = 50;              // byte 1 x 10
    double rxMv = 2.2;            // byte 2 / 10
    double txMv = 2.2;            // byte 3 / 10
    int tolerance = 1;            // byte 4
    int rxCheckIndex = -1;        // byte 5 bits 0-2: code / 2 - 1
    int txCheckIndex = -1;        // byte 5 bits 4-6
    int dfIndex = 0;              // byte 5 bit 3
    double firstTime = 0.1;       // (byte 6 + 1) / 10
    double secondTime = 0.1;      // (byte 7 + 1) / 10
    std::uint8_t statusByte = 0;  // byte 9; bit 3 selects the station type shown
};

StationParamValues StationParamsToValues(const StationParamBlock& b);
// Bytes 0 to 9 are rewritten from the values, bit 7 of byte 5 cleared, bytes 10 to 15 kept.
void StationParamsFromValues(const StationParamValues& v, StationParamBlock& b);

}  // namespace vadrix
