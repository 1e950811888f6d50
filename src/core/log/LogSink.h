#pragma once
// Reception hands its telegrams to the log store through this sink.

#include "channel/TelegramSink.h"
#include "log/TelLog.h"

namespace vadrix {

class LogSink : public TelegramSink {
  public:
    explicit LogSink(TTelLog& log) : log_(log) {}
    void Store(TTelegram& rec) override { log_.Store(rec); }
    std::uint32_t TelegramCount(int source) const override { return log_.TelegramCount(source); }
    std::uint32_t ErrorCount(int source) const override { return log_.ErrorCount(source); }

  private:
    TTelLog& log_;
};

}  // namespace vadrix
