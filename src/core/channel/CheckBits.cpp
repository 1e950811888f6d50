#include "channel/CheckBits.h"

#include <algorithm>

namespace vadrix {

std::uint16_t ComputeCheckCode(std::span<const std::uint8_t> bits, int dataBits, int checkKind) {
    const int d = std::clamp(dataBits, 0, kMaxDataBits);
    // Two odd-parity bits: bit 0 over the even-numbered data bits, bit 1 over the odd ones.
    unsigned code = checkKind == 2 ? 3 : 0;
    for (int i = 0; i < d; ++i) {
        if (!BitAt(bits, i)) continue;
        if (checkKind == 4)
            code ^= kT10[i];
        else if (checkKind == 6)
            code ^= kT16[i];
        else
            code ^= (i % 2 != 0) ? 2 : 1;
    }
    return static_cast<std::uint16_t>(code);
}

void AppendCheckBits(std::span<std::uint8_t> bits, int dataBits, int checkKind) {
    const unsigned code = ComputeCheckCode(bits, dataBits, checkKind);
    const int c = CheckBitCount(checkKind);
    for (int j = 0; j < c; ++j) SetBitAt(bits, dataBits + j, ((code >> (c - 1 - j)) & 1) != 0);
}

bool CheckBitsMatch(std::span<const std::uint8_t> bits, int dataBits, int checkKind) {
    const unsigned code = ComputeCheckCode(bits, dataBits, checkKind);
    const int c = CheckBitCount(checkKind);
    for (int j = 0; j < c; ++j)
        if (BitAt(bits, dataBits + j) != (((code >> (c - 1 - j)) & 1) != 0)) return false;
    return true;
}

bool CheckBits(const TTelegram& t, int dataBits, int checkKind) {
    const std::span<const std::uint8_t> frame(t.Frame);
    return CheckBitsMatch(frame.subspan(kEnvelopeBitsPos), dataBits, checkKind);
}

}  // namespace vadrix
