#pragma once
// Telegram sinks for tests and benchmarks: one keeps every record, one keeps a copy of what
// the live log stores, one only counts.

#include <cstdint>
#include <vector>

#include "channel/TelegramSink.h"
#include "log/TelLog.h"

namespace vadrix::testing {

class RecordingSink : public TelegramSink {
  public:
    void Store(TTelegram& rec) override { records.push_back(rec); }
    std::uint32_t TelegramCount(int source) const override { return Count(source, false); }
    std::uint32_t ErrorCount(int source) const override { return Count(source, true); }

    std::vector<TTelegram> records;

  private:
    std::uint32_t Count(int source, bool errors) const {
        std::uint32_t n = 0;
        for (const TTelegram& r : records)
            if (r.Source == source && (!errors || r.Status < 40)) ++n;
        return n;
    }
};

// Keeps a copy of every stored record and hands it on to the live log.
class TappedLog : public TelegramSink {
  public:
    explicit TappedLog(TTelLog& log) : log_(log) {}
    void Store(TTelegram& rec) override {
        if (log_.Store(rec)) records.push_back(rec);
    }
    std::uint32_t TelegramCount(int s) const override { return log_.TelegramCount(s); }
    std::uint32_t ErrorCount(int s) const override { return log_.ErrorCount(s); }
    std::vector<TTelegram> records;

  private:
    TTelLog& log_;
};

class CountingSink : public TelegramSink {
  public:
    void Store(TTelegram& rec) override {
        ++telegrams;
        frameBytes += static_cast<std::uint64_t>(rec.FrameLen);
        if (rec.Status < 40) ++errors;
        ++byStatus[rec.Status];
    }
    std::uint64_t telegrams = 0;
    std::uint64_t errors = 0;
    std::uint64_t frameBytes = 0;
    std::uint64_t byStatus[256]{};
};

}  // namespace vadrix::testing
