#pragma once
// Telegram sinks for tests and benchmarks: one keeps every record, one only counts.

#include <cstdint>
#include <vector>

#include "channel/TelegramSink.h"

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
