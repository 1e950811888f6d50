#pragma once
// The process values of one simulated station, changing over time so that the program's
// decoded lines are worth reading: indications toggle, measured values drift, a counter
// counts. Each change becomes a telegram definition for the composer.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "common/SendItems.h"

namespace vadrix::sim {

// The objects every station reports, by telegram number.
inline constexpr std::uint16_t kIndicationObject = 100;  // kind 2: nine indication bits
inline constexpr std::uint16_t kCounterObject = 200;     // kind 4: a 28-bit count
inline constexpr std::uint16_t kMeasuredObject = 600;    // kind 4: two measured values
// Spontaneous data: the kind of data that takes part in sequence numbering.
inline constexpr std::uint8_t kSpontaneous = 1;

// A telegram a station has to send, and what it reports, for the log.
struct Report {
    TSendEntry def;
    std::string text;
};

class StationValues {
  public:
    explicit StationValues(int station);

    // The whole state, one report per object: what a station sends when it starts.
    std::vector<Report> All() const;
    // One value changes; its report.
    Report Change(std::mt19937& rng);

  private:
    Report Indications() const;
    Report Measured() const;
    Report Counter() const;

    std::uint16_t indications_ = 0;  // nine bits
    std::int16_t measured_[2] = {0, 0};
    TSendEntry counter_{};
};

// The data bytes of two measured values, as the interpretation reads them: 16-bit words
// whose upper twelve bits hold the signed value.
void PutMeasured(TSendEntry& e, std::int16_t a, std::int16_t b);

}  // namespace vadrix::sim
