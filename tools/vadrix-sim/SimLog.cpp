#include "SimLog.h"

#include <sys/time.h>

#include <cstdarg>
#include <cstdio>
#include <ctime>

namespace vadrix::sim {
namespace {

bool quiet = false;

void Write(const char* format, va_list args) {
    timeval tv{};
    ::gettimeofday(&tv, nullptr);
    tm local{};
    ::localtime_r(&tv.tv_sec, &local);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(tv.tv_usec / 1000));
    // One fprintf per line: lines of a simulator never interleave with themselves.
    char line[1024];
    std::vsnprintf(line, sizeof line, format, args);
    std::fprintf(stderr, "vadrix-sim %s %s\n", stamp, line);
}

}  // namespace

void SetQuiet(bool q) {
    quiet = q;
}

void SimLog(const char* format, ...) {
    if (quiet) return;
    va_list args;
    va_start(args, format);
    Write(format, args);
    va_end(args);
}

void SimError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Write(format, args);
    va_end(args);
}

}  // namespace vadrix::sim
