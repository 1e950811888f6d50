#pragma once
// The 256-byte ring between the port's data events and the programming functions.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace vadrix {

class ReceiveRing {
  public:
    static constexpr std::size_t kSize = 256;

    // When the ring is full the oldest unread byte makes room, so the newest bytes survive.
    void Append(std::span<const std::uint8_t> bytes) {
        for (const std::uint8_t b : bytes) {
            if (count_ == kSize) Drop();
            buf_[write_] = b;
            write_ = static_cast<std::uint8_t>(write_ + 1);
            ++count_;
        }
    }
    std::optional<std::uint8_t> Take() {
        if (count_ == 0) return std::nullopt;
        const std::uint8_t b = buf_[read_];
        Drop();
        return b;
    }
    void Clear() {
        buf_.fill(0);
        read_ = write_ = 0;
        count_ = 0;
    }
    std::size_t Count() const { return count_; }

  private:
    void Drop() {
        read_ = static_cast<std::uint8_t>(read_ + 1);
        --count_;
    }

    std::array<std::uint8_t, kSize> buf_{};
    std::uint8_t read_ = 0;  // both indices wrap from 255 to 0
    std::uint8_t write_ = 0;
    std::size_t count_ = 0;
};

}  // namespace vadrix
