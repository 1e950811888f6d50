#include "app/TimeBase.h"

#include <cmath>
#include <cstdlib>

namespace vadrix {

namespace {

// Days from 1 January 1970 of a proleptic Gregorian date (Howard Hinnant's algorithm).
long long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy =
        (153 * static_cast<unsigned>(m + (m > 2 ? -3 : 9)) + 2) / 5 + static_cast<unsigned>(d) - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

constexpr long long kSerialOf1970 = 25569;  // 1 January 1970 as a day number

long long LocalMsOfDay(const LocalDateTime& t) {
    return ((t.hour * 60LL + t.minute) * 60 + t.second) * 1000 + t.millisecond;
}

bool SameInstant(const LocalDateTime& a, const LocalDateTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day &&
           LocalMsOfDay(a) == LocalMsOfDay(b);
}

}  // namespace

double DateSerial(int year, int month, int day) {
    return static_cast<double>(DaysFromCivil(year, month, day) + kSerialOf1970);
}

void DecodeDateSerial(double serial, int& year, int& month, int& day) {
    // Inverse of DaysFromCivil.
    long long z = static_cast<long long>(std::floor(serial)) - kSerialOf1970 + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (month <= 2));
}

std::uint32_t SyncClock(Context& ctx) {
    const LocalDateTime now = ctx.clock.Now();
    const std::uint32_t ms = ctx.clock.MsCounter();
    ctx.run.ClockOffsetMs = static_cast<std::int32_t>(LocalMsOfDay(now) - ms % kMsPerDay);
    ctx.run.LastCounterMs = ms;
    return static_cast<std::uint32_t>(ms / kMsPerDay);
}

void InitClock(Context& ctx) {
    // Busy-wait for the local clock to step; give up after about two seconds of the counter
    // (or a bounded number of readings) so a clock that never moves cannot hang the start.
    const LocalDateTime first = ctx.clock.Now();
    const std::uint32_t start = ctx.clock.MsCounter();
    for (int i = 0; i < 10'000'000; ++i) {
        if (!SameInstant(ctx.clock.Now(), first)) break;
        if (ctx.clock.MsCounter() - start > 2000) break;
    }
    SyncClock(ctx);
}

void AdjustClock(Context& ctx) {
    const std::int32_t previous = ctx.run.ClockOffsetMs;
    SyncClock(ctx);
    const std::int32_t measured = ctx.run.ClockOffsetMs;
    const std::int32_t diff = measured - previous;
    if (std::abs(diff) >= 201) return;  // a clock jump: take the new offset
    ctx.run.ClockOffsetMs = std::abs(diff) > 20 ? previous + diff / 4 : previous;
}

// The counter wraps every 2^32 ms, which is no whole number of days: at each wrap the offset
// moves by the remainder so the time of day runs on smoothly.
static void FollowCounterWrap(Context& ctx, std::uint32_t ms) {
    constexpr long long kWrapRemainder = (1LL << 32) % kMsPerDay;
    if (ms < ctx.run.LastCounterMs) {
        const long long moved = (ctx.run.ClockOffsetMs + kWrapRemainder) % kMsPerDay;
        ctx.run.ClockOffsetMs = static_cast<std::int32_t>(moved);
    }
    ctx.run.LastCounterMs = ms;
}

double TimeOfDay(Context& ctx) {
    const std::uint32_t counter = ctx.clock.MsCounter();
    FollowCounterWrap(ctx, counter);
    const long long ms = static_cast<long long>(counter) + ctx.run.ClockOffsetMs;
    const long long ofDay = ((ms % kMsPerDay) + kMsPerDay) % kMsPerDay;
    return static_cast<double>(ofDay) / static_cast<double>(kMsPerDay);
}

double TimeStamp(Context& ctx) {
    const LocalDateTime now = ctx.clock.Now();
    return DateSerial(now.year, now.month, now.day) + TimeOfDay(ctx);
}

void Wait(Context& ctx, std::uint32_t ms) {
    const std::uint32_t start = ctx.clock.MsCounter();
    for (;;) {
        const std::uint32_t elapsed = ctx.clock.MsCounter() - start;
        if (elapsed >= ms) return;
        if (ms - elapsed > 2) ctx.loop.ProcessPending();
        if (ms - (ctx.clock.MsCounter() - start) > 17 && ctx.clock.MsCounter() - start < ms)
            ctx.clock.Sleep(10);
    }
}

}  // namespace vadrix
