#pragma once
// Runs a device on its line until SIGINT or SIGTERM.

#include "SimDevice.h"
#include "channel/SerialPort.h"

namespace vadrix::sim {

inline constexpr unsigned kTickMs = 5;

// Hands the line's bytes to the device, ticks it every few milliseconds, and on a stop
// signal lets it finish, sends what it still has queued, and returns 0.
int RunDevice(SerialPort& port, SimDevice& device);

}  // namespace vadrix::sim
