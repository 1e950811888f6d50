// The 16 station parameter bytes of a field device: read into the dialog's values and
// written back from them, and values as the dialog may hold them written into bytes.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <limits>

#include "FuzzSupport.h"
#include "params/StationParams.h"

namespace {

using namespace vadrix;

// Any double, the odd ones among them more often than chance would give.
double Real(FuzzedDataProvider& in) {
    static constexpr double kOdd[] = {std::numeric_limits<double>::quiet_NaN(),
                                      std::numeric_limits<double>::infinity(),
                                      -std::numeric_limits<double>::infinity(),
                                      -0.0,
                                      25.55,
                                      1e300,
                                      -1e300};
    return in.ConsumeBool() ? in.PickValueInArray(kOdd) : in.ConsumeFloatingPoint<double>();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    StationParamBlock bytes{};
    for (std::uint8_t& b : bytes) b = in.ConsumeIntegral<std::uint8_t>();

    // Bytes to values and back: bytes 10 to 15 stay, bit 7 of byte 5 goes, and a second
    // pass changes nothing more.
    StationParamBlock once = bytes;
    StationParamsFromValues(StationParamsToValues(bytes), once);
    for (std::size_t i = 10; i < bytes.size(); ++i)
        fuzz::Require(once[i] == bytes[i], "bytes 10 to 15 are kept");
    fuzz::Require((once[5] & 0x80) == 0, "bit 7 of byte 5 is cleared");
    StationParamBlock twice = once;
    StationParamsFromValues(StationParamsToValues(once), twice);
    fuzz::Require(twice == once, "the conversion settles after one pass");

    // Values as an edited dialog holds them.
    StationParamValues v;
    v.station = in.ConsumeIntegral<int>();
    v.rxBaud = in.ConsumeIntegral<int>();
    v.txBaud = in.ConsumeIntegral<int>();
    v.rxMv = Real(in);
    v.txMv = Real(in);
    v.tolerance = in.ConsumeIntegral<int>();
    v.rxCheckIndex = in.ConsumeIntegral<int>();
    v.txCheckIndex = in.ConsumeIntegral<int>();
    v.dfIndex = in.ConsumeIntegral<int>();
    v.firstTime = Real(in);
    v.secondTime = Real(in);
    v.statusByte = in.ConsumeIntegral<std::uint8_t>();
    StationParamBlock fromValues = bytes;
    StationParamsFromValues(v, fromValues);
    StationParamsToValues(fromValues);
    return 0;
}
