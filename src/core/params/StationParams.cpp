#include "params/StationParams.h"

#include <cmath>

namespace vadrix {

namespace {

// Check codes are stored as 2, 4 or 6; the dialog's list shows them as 0, 1, 2.
int CheckIndex(int code3) {
    return (code3 >> 1) - 1;
}
int CheckCode(int index) {
    // Only the low bits count; taking them first keeps a stray large index from overflowing.
    return index < 0 ? 0 : (((index & 3) + 1) & 3) * 2;
}

std::uint8_t RoundByte(double v) {
    const double r = std::nearbyint(v);  // the default mode rounds halves to even
    // A value that is no number (an unfinished entry) gives 0 like a negative one.
    return static_cast<std::uint8_t>(!(r > 0) ? 0 : r > 255 ? 255 : r);
}

}  // namespace

StationParamValues StationParamsToValues(const StationParamBlock& b) {
    StationParamValues v;
    v.rxBaud = b[0] * 10;
    v.txBaud = b[1] * 10;
    v.rxMv = b[2] / 10.0;
    v.txMv = b[3] / 10.0;
    v.tolerance = b[4];
    v.rxCheckIndex = CheckIndex(b[5] & 7);
    v.txCheckIndex = CheckIndex((b[5] >> 4) & 7);
    v.dfIndex = (b[5] >> 3) & 1;
    v.firstTime = (b[6] + 1) / 10.0;
    v.secondTime = (b[7] + 1) / 10.0;
    v.station = b[8];
    v.statusByte = b[9];
    return v;
}

void StationParamsFromValues(const StationParamValues& v, StationParamBlock& b) {
    b[8] = static_cast<std::uint8_t>(v.station);
    b[0] = static_cast<std::uint8_t>(v.rxBaud / 10);
    b[1] = static_cast<std::uint8_t>(v.txBaud / 10);
    b[2] = RoundByte(10 * v.rxMv);
    b[3] = RoundByte(10 * v.txMv);
    b[5] = static_cast<std::uint8_t>(CheckCode(v.rxCheckIndex) | (CheckCode(v.txCheckIndex) << 4) |
                                     ((v.dfIndex & 1) << 3));
    b[4] = static_cast<std::uint8_t>(v.tolerance);
    b[6] = RoundByte(10 * v.firstTime - 1);
    b[7] = RoundByte(10 * v.secondTime - 1);
    b[9] = v.statusByte;
}

}  // namespace vadrix
