#include "support/FakeEventLoop.h"

#include <vector>

namespace vadrix::testing {

void FakeEventLoop::Post(Task task) {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
}

void FakeEventLoop::ProcessPending() {
    ++processed;
    std::deque<Task> now;
    {
        std::lock_guard lock(mutex_);
        now.swap(tasks_);
    }
    for (auto& t : now) t();
    const std::uint32_t ms = clock_.MsCounter();
    std::vector<Task> due;
    for (auto it = timers_.begin(); it != timers_.end();) {
        if (static_cast<std::int32_t>(ms - it->second.due) >= 0) {
            due.push_back(std::move(it->second.callback));
            it = timers_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& t : due) t();
}

EventLoop::TimerId FakeEventLoop::StartOneShot(std::uint32_t ms, Task callback) {
    const TimerId id = nextId_++;
    ++oneShots;
    lastOneShotMs = ms;
    timers_[id] = Timer{clock_.MsCounter() + ms, std::move(callback)};
    return id;
}

void FakeEventLoop::CancelTimer(TimerId id) {
    timers_.erase(id);
}

}  // namespace vadrix::testing
