// A log file: opened for reading (the dump, print and export path) and walked in every
// display format from the first record to the last and back, then taken over as the live
// log, which stores into it, walked and closed again.

#include <algorithm>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "interpret/LineGenerator.h"
#include "log/TelLog.h"

namespace {

using namespace vadrix;

// Fetches every line of the record under the cursor.
void Interpret(LineGenerator& lines, const InterpretSettings& s, const TTelegram& rec,
               std::int64_t number, double& previousTime, std::string& line) {
    lines.Prepare(s, rec, previousTime, number);
    const int expected = lines.LineCount(s, rec);
    int made = 0;
    for (line.clear(); lines.NextLine(line); line.clear()) {
        fuzz::Require(line.size() <= LineGenerator::kMaxLine, "a line fits its 255 bytes");
        ++made;
    }
    fuzz::Require(made >= expected, "the line count promised is made");
    previousTime = lines.PreviousTime();
}

// Forward through every passing record, as output does, each record in every format (each
// with its own previous time); then backwards. One walk each way: a damaged directory may
// claim a ring of many thousand empty blocks, which every walk steps through.
void WalkAllFormats(Context& ctx, TTelLog& log) {
    if (!log.ViewOpen() && !log.OpenView()) return;
    LineGenerator lines(ctx, nullptr);
    std::string line;
    const std::uint32_t count = log.RecordCount();
    // A damaged directory may number the records wrongly; the walks must still end within
    // the records the ring's blocks can hold.
    const std::uint64_t slots =
        std::uint64_t{log.Directory().BlockCount} * (kMaxRecordsPerBlock + 1) + 1;
    constexpr int kFormats = 7;
    InterpretSettings settings[kFormats];
    double previousTime[kFormats] = {};
    for (int f = 0; f < kFormats; ++f) {
        settings[f] = SettingsFromLogHeader(ctx, log.Header());
        settings[f].format = DisplayFormatFromNumber(f + 2);
        settings[f].timeLine = f % 2 == 0;
    }
    log.ViewToStart();
    std::uint64_t seen = 0;
    for (bool any = log.Passes() || log.NextPassing(); any; any = log.NextPassing()) {
        fuzz::Require(++seen <= slots, "the forward walk ends");
        for (int f = 0; f < kFormats; ++f)
            Interpret(lines, settings[f], log.ViewRecord(), static_cast<std::int64_t>(seen),
                      previousTime[f], line);
    }
    log.ViewToEnd();
    std::uint64_t back = 0;
    while (log.PrevPassing()) fuzz::Require(++back <= slots, "the backward walk ends");
    log.ViewToStart();
    const int moves = static_cast<int>(std::min<std::uint32_t>(count, TTelLog::kFastMove * 4));
    log.Move(moves / 2 + 1);
    log.Move(-moves);
    log.CloseView();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path file = fuzz::WriteTemp("fuzz.lg8", {data, size});
    fuzz::FuzzContext fc;
    Context& ctx = *fc;
    ctx.general.LogSize = 1;
    if (ctx.log.OpenForReading(file)) {
        WalkAllFormats(ctx, ctx.log);
        ctx.log.Close();
    }
    // The same file chosen as the live log: it is written from here on.
    if (ctx.log.Open(file, false, OpenIntent::kChosenFile)) {
        TTelegram rec{};
        rec.Status = 40;
        rec.Source = 1;
        rec.Kind = 3;
        ctx.log.Store(rec);
        WalkAllFormats(ctx, ctx.log);
        ctx.log.Close();
    }
    return 0;
}
