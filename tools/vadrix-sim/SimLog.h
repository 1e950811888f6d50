#pragma once
// What a simulator does, one line per event on standard error with the time of day, so that
// a user can follow it beside the program.

namespace vadrix::sim {

void SimLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Quiet: only errors (SimError) are written.
void SetQuiet(bool quiet);
void SimError(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace vadrix::sim
