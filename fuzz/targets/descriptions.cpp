// An object description file: read as at start or chosen by the user, looked up for every
// telegram number and data kind, and used to interpret records.

#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "interpret/Descriptions.h"
#include "interpret/LineGenerator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vadrix;
    const std::filesystem::path file = fuzz::WriteTemp("objects.txt", {data, size});
    fuzz::FuzzContext fc;
    Context& ctx = *fc;
    Descriptions d;
    if (!LoadDescriptions(ctx, d, file)) return 0;
    fuzz::Require(d.PairCount() <= Descriptions::kMaxPairs, "at most 32000 pairs");
    // Both ends of the number range, where a range may overrun, and every 31st between.
    for (int telNo = 0; telNo < 1024; telNo += telNo < 16 || telNo >= 1008 ? 1 : 31)
        for (int kind = 0; kind < 4; ++kind)
            for (const bool sequenced : {false, true}) {
                const int i = d.Find(telNo, kind, sequenced);
                if (i < 0) continue;
                fuzz::Require(d.Name(i).size() <= Descriptions::kMaxName, "a name fits 79");
                d.Class(i);
                d.Colours(i);
            }

    // Long telegrams of a few numbers through the line generator with the names.
    LineGenerator lines(ctx, &d);
    std::string line;
    TTelegram rec = fuzz::SampleTelegram();
    rec.Source = 3;
    for (const int telNo : {0, 1, 0x200, 0x201, 0x3FF})
        for (int format = 2; format <= 8; ++format) {
            InterpretSettings s = SettingsFromContext(ctx);
            s.format = DisplayFormatFromNumber(format);
            rec.TelNo = static_cast<std::uint16_t>(telNo);
            rec.Frame[6] = static_cast<std::uint8_t>(telNo & 0xFF);
            rec.Frame[7] = static_cast<std::uint8_t>(telNo >> 8);
            lines.Prepare(s, rec, 0, 1);
            for (line.clear(); lines.NextLine(line); line.clear()) {
            }
        }
    return 0;
}
