#include "runtime/QtClock.h"

#include <QDateTime>
#include <QThread>

namespace vadrix {

QtClock::QtClock() {
    timer_.start();
    // Start from the system's monotonic reading so the counter behaves like the platform's.
    base_ = timer_.msecsSinceReference();
}

std::uint32_t QtClock::MsCounter() {
    return static_cast<std::uint32_t>(static_cast<quint64>(base_ + timer_.elapsed()));
}

LocalDateTime QtClock::Now() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec()};
}

void QtClock::Sleep(std::uint32_t ms) {
    QThread::msleep(ms);
}

}  // namespace vadrix
