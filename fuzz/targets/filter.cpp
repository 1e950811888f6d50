// A filter file: loaded and put in force as the filter dialog's OK does, then applied to
// records of every source, status, station and time near its bounds.

#include <cmath>
#include <cstdint>

#include "FuzzSupport.h"
#include "filters/Filter.h"
#include "log/TelLog.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vadrix;
    const std::filesystem::path file = fuzz::WriteTemp("fuzz.flt", {data, size});
    TFilterRecord f;
    if (!LoadFilterFile(file, f)) return 0;
    PrepareFilter(f);
    f.FilterOn = f.FilterActive != 0 ? 1 : 0;

    fuzz::FuzzContext fc;
    Context& ctx = *fc;
    ctx.general.DisplayFilter = f;
    const double times[] = {f.FromTime, f.ToTime, std::nextafter(f.FromTime, 0.0),
                            std::nextafter(f.ToTime, 1e9), 46000.5};
    TTelegram rec{};
    for (int source = 0; source <= 4; ++source)
        for (const std::uint8_t status : {std::uint8_t{5}, std::uint8_t{40}, std::uint8_t{54}})
            for (const double time : times)
                for (const int station : {0, 1, 127}) {
                    rec.Source = static_cast<std::uint8_t>(source);
                    rec.Status = status;
                    rec.Time = time;
                    rec.Station = static_cast<std::uint8_t>(station);
                    rec.DataKind = static_cast<std::uint8_t>(station & 3);
                    rec.TelNo = static_cast<std::uint16_t>(station * 8);
                    rec.FrameLen = static_cast<std::int16_t>(station % 20);
                    rec.SeqNo = station + 1;
                    rec.RecLen = 32;
                    FilterAccepts(f, rec, 1);
                    PassesDisplayFilter(ctx, rec);
                }
    for (const TFilterRow& row : f.Rows)
        for (const std::int64_t v : {std::int64_t{0}, std::int64_t{row.RowValue1},
                                     std::int64_t{row.RowValue2}, std::int64_t{INT32_MIN}})
            RowAccepts(row, v);
    ToggleDisplayFilter(ctx);
    return 0;
}
