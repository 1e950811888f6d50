// Decoding of marked input, which a pseudo-terminal never produces: errors and breaks.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/SerialLine.h"

namespace vadrix {
namespace {

using Item = serial_line::MarkDecoder::Item;
using Bytes = std::vector<std::uint8_t>;

// Items written as "d41" data 0x41, "eFE" error on 0xFE, "b" break.
std::string Decode(const Bytes& raw, std::size_t split) {
    serial_line::MarkDecoder dec;
    std::string out;
    const auto record = [&out](Item item, std::uint8_t b) {
        static const char* hex = "0123456789ABCDEF";
        if (!out.empty()) out += ' ';
        if (item == Item::kBreak) {
            out += 'b';
            return;
        }
        out += item == Item::kData ? 'd' : 'e';
        out += hex[b >> 4];
        out += hex[b & 15];
    };
    split = std::min(split, raw.size());
    dec.Feed(raw.data(), split, record);
    dec.Feed(raw.data() + split, raw.size() - split, record);
    return out;
}

TEST(SerialMarking, DataErrorsAndBreaksAtEverySplit) {
    const struct {
        Bytes raw;
        const char* items;
    } cases[] = {
        {{0x41, 0x42}, "d41 d42"},
        {{0xFF, 0xFF}, "dFF"},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0x00}, "dFF dFF d00"},
        {{0xFF, 0x00, 0x68}, "e68"},
        {{0xFF, 0x00, 0xFF}, "eFF"},
        {{0xFF, 0x00, 0x00}, "b"},
        {{0x10, 0xFF, 0x00, 0x00, 0x16}, "d10 b d16"},
        {{0xFF, 0x41}, "dFF d41"},  // no escape after all
    };
    for (const auto& c : cases) {
        for (std::size_t split = 0; split <= c.raw.size(); ++split)
            EXPECT_EQ(Decode(c.raw, split), c.items) << c.items << " split " << split;
    }
}

}  // namespace
}  // namespace vadrix
