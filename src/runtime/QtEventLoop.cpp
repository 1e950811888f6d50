#include "runtime/QtEventLoop.h"

#include <QCoreApplication>

namespace vadrix {

QtEventLoop::QtEventLoop(QObject* parent) : QObject(parent) {}

QtEventLoop::~QtEventLoop() {
    for (auto& [id, timer] : timers_) delete timer;
}

void QtEventLoop::Post(Task task) {
    // A queued call runs on this object's thread whatever thread posts it.
    QMetaObject::invokeMethod(
        this, [task = std::move(task)] { task(); }, Qt::QueuedConnection);
}

void QtEventLoop::ProcessPending() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

EventLoop::TimerId QtEventLoop::StartOneShot(std::uint32_t ms, Task callback) {
    const TimerId id = nextId_++;
    if (nextId_ == 0) nextId_ = 1;
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, [this, id, callback = std::move(callback)] {
        if (auto it = timers_.find(id); it != timers_.end()) {
            it->second->deleteLater();
            timers_.erase(it);
        }
        callback();
    });
    timers_[id] = timer;
    timer->start(static_cast<int>(ms));
    return id;
}

void QtEventLoop::CancelTimer(TimerId id) {
    if (auto it = timers_.find(id); it != timers_.end()) {
        it->second->stop();
        it->second->deleteLater();
        timers_.erase(it);
    }
}

}  // namespace vadrix
