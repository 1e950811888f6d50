#pragma once
// The clock on QtCore: a monotonic counter and the local time.

#include <QElapsedTimer>

#include "common/Clock.h"

namespace vadrix {

class QtClock : public Clock {
  public:
    QtClock();
    std::uint32_t MsCounter() override;
    LocalDateTime Now() override;
    void Sleep(std::uint32_t ms) override;

  private:
    QElapsedTimer timer_;
    qint64 base_ = 0;  // a counter that starts at zero on each start would hide wrap bugs
};

}  // namespace vadrix
