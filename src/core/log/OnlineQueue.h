#pragma once
// The online display queue: sixteen record slots between the store, which may deliver in
// bursts, and the online display, which draws one record per timer tick.

#include <array>
#include <cstdint>

#include "log/Telegram.h"

namespace vadrix {

class TOnlineQueue {
  public:
    static constexpr int kSlots = 16;
    static constexpr int kDropOnOverflow = 4;

    // Queues a copy. When the queue is full the four oldest pending records are dropped and
    // nothing more is queued until the display has caught up (see Take).
    void Push(const TTelegram& rec);
    // Takes the oldest pending record; once fewer than two remain after an overflow,
    // queuing resumes.
    bool Take(TTelegram& out);
    // Empties the queue and its slots and asks the display for a full redraw.
    void Clear();

    int Pending() const { return (write_ - read_ + kSlots) % kSlots; }
    int WriteIndex() const { return write_; }
    int ReadIndex() const { return read_; }
    bool Overflow() const { return overflow_; }
    // Slots keep their records after they were taken, for a full redraw from the newest
    // backwards; a slot never filled has RecLen 0.
    const TTelegram& Slot(int i) const { return slots_[static_cast<std::size_t>(i % kSlots)]; }

    bool redrawAll = false;

  private:
    std::array<TTelegram, kSlots> slots_{};
    int write_ = 0;
    int read_ = 0;
    bool overflow_ = false;
};

inline void TOnlineQueue::Push(const TTelegram& rec) {
    if ((write_ + 1) % kSlots == read_) {
        overflow_ = true;
        read_ = (read_ + kDropOnOverflow) % kSlots;
    }
    if (overflow_) return;
    slots_[static_cast<std::size_t>(write_)] = rec;
    write_ = (write_ + 1) % kSlots;
}

inline bool TOnlineQueue::Take(TTelegram& out) {
    if (Pending() == 0) return false;
    out = slots_[static_cast<std::size_t>(read_)];
    read_ = (read_ + 1) % kSlots;
    if (overflow_ && Pending() < 2) overflow_ = false;
    return true;
}

inline void TOnlineQueue::Clear() {
    slots_.fill(TTelegram{});
    write_ = read_ = 0;
    overflow_ = false;
    redrawAll = true;
}

}  // namespace vadrix
