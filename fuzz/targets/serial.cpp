// The serial byte stream through a channel's receive path: the port's data events, the
// framer and its checks, the reception side of the simulation and the transmit steps it
// triggers, on both channels, with deadlines passing between blocks. Every stored telegram
// is interpreted as the online display would.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "channel/Channel.h"
#include "channel/Framer.h"
#include "channel/TelegramSink.h"
#include "interpret/LineGenerator.h"
#include "support/FakeSerialPort.h"

namespace {

using namespace vadrix;

// Interprets every telegram in the format the input chose, as the online display does.
class InterpretingSink : public TelegramSink {
  public:
    InterpretingSink(const Context& ctx, DisplayFormat format)
        : settings_(SettingsFromContext(ctx)), lines_(ctx, nullptr) {
        settings_.format = format;
        settings_.timeLine = true;
    }
    void Store(TTelegram& rec) override {
        rec.SeqNo = ++stored_;
        lines_.Prepare(settings_, rec, previousTime_, stored_);
        for (line_.clear(); lines_.NextLine(line_); line_.clear())
            fuzz::Require(line_.size() <= LineGenerator::kMaxLine, "a line fits its 255 bytes");
        previousTime_ = lines_.PreviousTime();
    }

  private:
    InterpretSettings settings_;
    LineGenerator lines_;
    std::string line_;
    double previousTime_ = 0;
    std::int32_t stored_ = 0;
};

void SetUpChannel(FuzzedDataProvider& in, TEmSe& ch) {
    static constexpr int kBauds[] = {110, 300, 1200, 9600, 38400, 115200};
    ch.P.Baud = in.PickValueInArray(kBauds);
    ch.P.Function = in.ConsumeIntegralInRange<std::uint32_t>(0, 4);
    ch.P.SpikeFilter = in.ConsumeBool() ? 1 : 0;
    ch.P.StationCount = in.ConsumeIntegralInRange<std::int32_t>(0, 16);
    for (int i = 0; i < ch.P.StationCount; ++i)
        ch.P.StationAddr[i] = in.ConsumeIntegralInRange<std::uint16_t>(0, 127);
    for (std::uint32_t& a : ch.P.AddrBytes) a = in.ConsumeIntegralInRange<std::uint32_t>(0, 2);
    for (TLineParams& line : ch.P.Line) {
        line.CheckCode = in.ConsumeIntegralInRange<std::uint32_t>(0, 2);
        line.Tol = in.ConsumeIntegralInRange<std::int32_t>(0, 100);
    }
}

void Tick(Context& ctx, testing::FakeClock& clock, std::uint32_t ms) {
    clock.Advance(ms);
    ctx.run.TickCount += 1;
    ChannelTick(ctx, ctx.emse1);
    ChannelTick(ctx, ctx.emse2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    fuzz::FuzzContext fc;
    Context& ctx = *fc;
    ctx.general.ProtocolVariant = in.ConsumeIntegralInRange<std::int32_t>(0, 2);
    ctx.general.TrafficKind = in.ConsumeIntegralInRange<std::int32_t>(0, 3);
    ctx.general.DataSync = in.ConsumeBool() ? 1 : 0;
    DeriveChannel2(ctx);
    for (TEmSe* ch : {&ctx.emse1, &ctx.emse2}) SetUpChannel(in, *ch);
    ctx.emse1.P.ComNumber = 1;
    ctx.emse2.P.ComNumber = 2;
    testing::FakeSerialPort port1;
    testing::FakeSerialPort port2;
    BindChannel(ctx, ctx.emse1, port1);
    BindChannel(ctx, ctx.emse2, port2);
    InterpretingSink sink(ctx, DisplayFormatFromNumber(in.ConsumeIntegralInRange(2, 8)));
    ctx.channelHooks.sink = &sink;
    std::string error;
    if (!OpenPorts(ctx, error)) return 0;

    while (in.remaining_bytes() > 0) {
        const std::uint8_t op = in.ConsumeIntegral<std::uint8_t>();
        testing::FakeSerialPort& port = (op & 1) != 0 ? port2 : port1;
        switch ((op >> 1) % 6) {
            case 0:
            case 1: {  // a block of bytes arrives
                const auto n = in.ConsumeIntegralInRange<std::size_t>(1, 700);
                const std::vector<std::uint8_t> bytes = in.ConsumeBytes<std::uint8_t>(n);
                if (!bytes.empty()) port.Inject(bytes);
                break;
            }
            case 2:  // a line error comes with the next block or on its own
                if (in.ConsumeBool())
                    port.InjectLineError(in.ConsumeIntegral<std::uint8_t>());
                else
                    port.SignalLineError(in.ConsumeIntegral<std::uint8_t>());
                break;
            case 3:
                if (in.ConsumeBool())
                    port.InjectBreak();
                else
                    port.SignalBreak();
                break;
            case 4:  // time passes: one timer tick
                Tick(ctx, fc.clock, in.ConsumeIntegralInRange<std::uint32_t>(0, 3000));
                break;
            case 5:  // the posted transmit steps and due timers run
                fc.loop.ProcessPending();
                break;
        }
    }
    // Whatever is pending completes at its deadline.
    Tick(ctx, fc.clock, 5000);
    fc.loop.ProcessPending();
    ClosePorts(ctx);
    return 0;
}
