#include "StationValues.h"

#include <algorithm>
#include <cstdio>

#include "common/Bytes.h"
#include "transmit/Compose.h"

namespace vadrix::sim {
namespace {

constexpr int kIndicationBits = 9;
constexpr std::int8_t kIndicationType = 1;
constexpr std::int8_t kMeasuredType = 8;
constexpr std::int8_t kBinaryCounterType = 16;  // the composer's counter rule: +15, bit 29 flips
constexpr int kMeasuredLimit = 2000;            // full scale of 11-bit measured values
constexpr int kDriftStep = 40;

TSendEntry Definition(std::uint16_t object, int kind, std::int8_t type) {
    TSendEntry e;
    e.TelNr = object;
    e.Lg = static_cast<std::uint8_t>(kind);
    e.Da = kSpontaneous;
    e.Typ = type;
    e.Sys = 0;
    std::fill(std::begin(e.B), std::end(e.B), 0);
    return e;
}

std::string Bits(unsigned v, int n) {
    std::string s;
    for (int i = n - 1; i >= 0; --i) s += ((v >> i) & 1) ? '1' : '0';
    return s;
}

}  // namespace

void PutMeasured(TSendEntry& e, std::int16_t a, std::int16_t b) {
    PutLe16(&e.B[0], static_cast<std::uint16_t>(a * 16));
    PutLe16(&e.B[2], static_cast<std::uint16_t>(b * 16));
    e.B[4] = 0;
}

StationValues::StationValues(int station) {
    // Stations start apart, so that their lines are told apart at a glance.
    measured_[0] = static_cast<std::int16_t>(200 + 100 * (station % 16));
    measured_[1] = static_cast<std::int16_t>(-measured_[0] / 2);
    indications_ = static_cast<std::uint16_t>(station & 0x1FF);
    counter_ = Definition(kCounterObject, 4, kBinaryCounterType);
}

Report StationValues::Indications() const {
    TSendEntry e = Definition(kIndicationObject, 2, kIndicationType);
    PutLe16(&e.B[0], indications_);
    return {e, "indications " + Bits(indications_, kIndicationBits)};
}

Report StationValues::Measured() const {
    TSendEntry e = Definition(kMeasuredObject, 4, kMeasuredType);
    PutMeasured(e, measured_[0], measured_[1]);
    char text[64];
    std::snprintf(text, sizeof text, "measured values %d %d", measured_[0], measured_[1]);
    return {e, text};
}

Report StationValues::Counter() const {
    char text[48];
    std::snprintf(text, sizeof text, "counter %u", Le32(counter_.B) & 0x0FFFFFFF);
    return {counter_, text};
}

std::vector<Report> StationValues::All() const {
    return {Indications(), Measured(), Counter()};
}

Report StationValues::Change(std::mt19937& rng) {
    const int what = std::uniform_int_distribution<int>(0, 4)(rng);
    if (what <= 1) {
        indications_ ^= static_cast<std::uint16_t>(
            1u << std::uniform_int_distribution<int>(0, kIndicationBits - 1)(rng));
        return Indications();
    }
    if (what <= 3) {
        for (std::int16_t& v : measured_) {
            const int step = std::uniform_int_distribution<int>(-kDriftStep, kDriftStep)(rng);
            v = static_cast<std::int16_t>(std::clamp(v + step, -kMeasuredLimit, kMeasuredLimit));
        }
        return Measured();
    }
    StepCounter(counter_);
    return Counter();
}

}  // namespace vadrix::sim
