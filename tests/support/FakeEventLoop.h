#pragma once
// An event loop that runs posted tasks and due timers when the test pumps it.

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>

#include "common/Clock.h"
#include "common/EventLoop.h"

namespace vadrix::testing {

class FakeEventLoop : public EventLoop {
  public:
    explicit FakeEventLoop(Clock& clock) : clock_(clock) {}

    void Post(Task task) override;
    void ProcessPending() override;
    TimerId StartOneShot(std::uint32_t ms, Task callback) override;
    void CancelTimer(TimerId id) override;

    int processed = 0;  // calls of ProcessPending
    std::size_t PendingTimers() const { return timers_.size(); }
    std::size_t PendingTasks() {
        std::lock_guard lock(mutex_);
        return tasks_.size();
    }
    // The one-shot timers asked for, and the delay of the last one.
    int oneShots = 0;
    std::uint32_t lastOneShotMs = 0;

  private:
    struct Timer {
        std::uint32_t due;
        Task callback;
    };
    Clock& clock_;
    std::mutex mutex_;
    std::deque<Task> tasks_;
    std::map<TimerId, Timer> timers_;
    TimerId nextId_ = 1;
};

}  // namespace vadrix::testing
