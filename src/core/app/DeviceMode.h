#pragma once
// The one-off functions on a field device (the terminal, the parameter programming): the
// program goes offline, channel 1 opens in the function's operating mode, the function runs,
// then the port closes and the operating mode is the one before. Without a port on channel 1
// the user is told so and nothing runs.

#include <functional>

#include "app/Engine.h"

namespace vadrix {

inline constexpr int kTerminalVariant = 3;
inline constexpr int kProgrammingVariant = 4;

void RunInDeviceMode(Context& ctx, Engine& engine, int variant, const std::function<void()>& run);

}  // namespace vadrix
