#pragma once
// The event loop seam: everything runs on one main thread; work from elsewhere is posted.

#include <cstdint>
#include <functional>

namespace vadrix {

class EventLoop {
  public:
    using Task = std::function<void()>;
    using TimerId = std::uint32_t;  // 0 is never a valid timer

    virtual ~EventLoop() = default;
    // Queues a task for the main thread; safe to call from any thread.
    virtual void Post(Task task) = 0;
    // Runs what is pending now (posted tasks, port events, due timers) and returns.
    virtual void ProcessPending() = 0;
    // A one-shot timer whose callback runs on the main thread after ms milliseconds.
    virtual TimerId StartOneShot(std::uint32_t ms, Task callback) = 0;
    virtual void CancelTimer(TimerId id) = 0;
};

}  // namespace vadrix
