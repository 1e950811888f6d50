#pragma once
// A device or station on the far side of the line. It hears what the program writes, acts on
// the millisecond clock, and writes through the port it was given.

#include <cstdint>
#include <span>

namespace vadrix::sim {

class SimDevice {
  public:
    virtual ~SimDevice() = default;
    // Bytes the program put on the line, in order, in blocks as they arrived.
    virtual void Receive(std::span<const std::uint8_t> bytes) = 0;
    // Called every few milliseconds with the monotonic millisecond clock.
    virtual void Tick(std::uint32_t nowMs) = 0;
    // The simulator is stopping: a last word on the line, a file to save.
    virtual void Stop() {}
};

}  // namespace vadrix::sim
