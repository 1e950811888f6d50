#pragma once
// Where reception hands its completed telegrams and events: the telegram log implements it.

#include <cstdint>

#include "log/Telegram.h"

namespace vadrix {

class TelegramSink {
  public:
    virtual ~TelegramSink() = default;
    // Takes a copy of the record; the store may stamp its time and sequence number.
    virtual void Store(TTelegram& rec) = 0;
    // The counters of one source (1..4) shown in the port events.
    virtual std::uint32_t TelegramCount(int /*source*/) const { return 0; }
    virtual std::uint32_t ErrorCount(int /*source*/) const { return 0; }
};

}  // namespace vadrix
