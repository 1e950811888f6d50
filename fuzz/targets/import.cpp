// A capture given to vadrix-cli import: told apart as timed text or raw bytes, read line by
// line or block by block, and replayed through the receiving channel on the capture's clock
// into a new log, exactly as the command does.

#include <fuzzer/FuzzedDataProvider.h>

// The reader lives in the command's own file, inside its unnamed namespace.
#include "ImportCommand.cpp"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vadrix;
    using namespace vadrix::cli;
    FuzzedDataProvider in(data, size);
    const int variant = in.ConsumeIntegralInRange(0, 2);
    const bool channel2 = variant == 2 && in.ConsumeBool();
    const int form = in.ConsumeIntegralInRange(0, 2);  // by its look, raw, timed
    const std::string content = in.ConsumeRemainingBytesAsString();
    const std::filesystem::path capture = fuzz::WriteTemp(
        "capture.txt", {reinterpret_cast<const std::uint8_t*>(content.data()), content.size()});

    ToolClock clock;
    testing::FakeEventLoop loop(clock);
    fuzz::FuzzContext fc(clock, loop);
    Context& ctx = *fc;
    ctx.general.ProtocolVariant = variant;
    ctx.general.LogFilter.FilterOn = 0;
    ctx.general.DisplayFilter.FilterOn = 0;
    InitChannel(ctx, ctx.emse1);
    InitChannel(ctx, ctx.emse2);
    TEmSe& ch = channel2 ? ctx.emse2 : ctx.emse1;

    auto log = std::make_unique<TTelLog>(ctx, TTelLog::Role::kWriter);
    log->AssignFile(fuzz::TempFolder() / "import.lg8");
    log->SetRingBlocks(1);
    if (!log->Create()) return 0;
    LogSink sink(*log);
    ctx.channelHooks.sink = &sink;
    clock.Capture(LocalDateTime{2026, 12, 10, 23, 59, 0, 0}, kFirstCounter);
    SyncClock(ctx);
    Replay replay(ctx, clock, ch);
    const bool timed = form == 2 || (form == 0 && LooksTimed(capture));
    std::string error;
    if (timed)
        FeedTimed(capture, replay, error);
    else
        FeedRaw(capture, replay, kFirstCounter);
    replay.Finish();
    ctx.channelHooks.sink = &ctx.logSink;
    log->Finish();
    return 0;
}
