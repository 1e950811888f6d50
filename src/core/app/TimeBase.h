#pragma once
// The program's time base: the millisecond counter, its offset to the local time of day, and
// waits that keep the event loop running.

#include <cstdint>

#include "app/Context.h"

namespace vadrix {

inline constexpr std::int64_t kMsPerDay = 86400000;

// Day number of a calendar date, counted from 30 December 1899.
double DateSerial(int year, int month, int day);
void DecodeDateSerial(double serial, int& year, int& month, int& day);

// Measures ClockOffsetMs against the local time of day; returns the counter's day number.
std::uint32_t SyncClock(Context& ctx);
// Waits for the edge of a step of the local clock, then syncs, so the offset is exact.
void InitClock(Context& ctx);
// Keeps small drifts smooth and takes over real clock jumps.
void AdjustClock(Context& ctx);
// The time of day of the time base as a fraction of a day.
double TimeOfDay(Context& ctx);
// Today's date plus the time of day of the time base: the stamp of stored records.
double TimeStamp(Context& ctx);
// Waits ms milliseconds on the main thread, handling pending events meanwhile.
void Wait(Context& ctx, std::uint32_t ms);

}  // namespace vadrix
