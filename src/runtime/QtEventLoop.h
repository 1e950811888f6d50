#pragma once
// The event loop on QtCore: posted tasks and one-shot timers run on the thread of the loop's
// QObject, the main thread.

#include <QObject>
#include <QTimer>
#include <map>

#include "common/EventLoop.h"

namespace vadrix {

class QtEventLoop : public QObject, public EventLoop {
    Q_OBJECT
  public:
    explicit QtEventLoop(QObject* parent = nullptr);
    ~QtEventLoop() override;

    void Post(Task task) override;
    void ProcessPending() override;
    TimerId StartOneShot(std::uint32_t ms, Task callback) override;
    void CancelTimer(TimerId id) override;

  private:
    std::map<TimerId, QTimer*> timers_;
    TimerId nextId_ = 1;
};

}  // namespace vadrix
