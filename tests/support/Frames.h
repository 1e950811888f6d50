#pragma once
// Builders of the protocol's frames in variant 2, for tests that feed the framer.

#include <cstdint>
#include <vector>

namespace vadrix::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Fixed(std::uint8_t a, std::uint8_t b) {
    return {0x10, a, b, static_cast<std::uint8_t>(a + b), 0x16};
}

inline Bytes Variable(const Bytes& payload) {
    const auto len = static_cast<std::uint8_t>(payload.size());
    Bytes f{0x68, len, len, 0x68};
    std::uint8_t sum = 0;
    for (const std::uint8_t b : payload) {
        f.push_back(b);
        sum = static_cast<std::uint8_t>(sum + b);
    }
    f.push_back(sum);
    f.push_back(0x16);
    return f;
}

// The six link and data bytes of a long telegram with length code 0..3.
inline Bytes LongPayload(std::uint8_t station, int seq, int dataKind, int telNo,
                         std::uint8_t data0 = 0, bool flag = false, int lenCode = 0) {
    return {station,
            static_cast<std::uint8_t>((seq & 31) | (flag ? 0x20 : 0) | (dataKind << 6)),
            static_cast<std::uint8_t>(telNo & 0xFF),
            static_cast<std::uint8_t>(((telNo >> 8) & 3) | (lenCode << 2)),
            data0,
            0};
}

inline Bytes Long(std::uint8_t station, int seq, int dataKind, int telNo, std::uint8_t data0 = 0,
                  bool flag = false) {
    return Variable(LongPayload(station, seq, dataKind, telNo, data0, flag));
}

}  // namespace vadrix::testing
