#pragma once
// Pictures of the program's windows for the documentation and for looking at a build: with
// the environment variable VADRIX_GRAB_DIR set, the program shows each window in each
// language, saves it as <module>[-<display>]-<language>.png in that folder and closes.

#include <QString>

namespace vadrix {

struct Context;
class TfmMain;

inline constexpr char kGrabDirVariable[] = "VADRIX_GRAB_DIR";

// Starts the round of pictures once the window has shown some traffic.
void ScheduleGrabs(Context& ctx, TfmMain& window, const QString& dir);

}  // namespace vadrix
