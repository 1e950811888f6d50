// An FWP file: read by the programming window's read-file item, then shown, listed, and
// saved again, which must give the same image back.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>

#include "FuzzSupport.h"
#include "channel/Channel.h"
#include "programming/FwpFile.h"
#include "programming/Programming.h"
#include "support/FakeSerialPort.h"

namespace {

using namespace vadrix;

// The window's memo and labels: every text is taken and dropped.
struct NullView : ProgrammingView {
    void ClearLines() override {}
    void AddLine(PgLine, std::string_view) override {}
    void SetAddressLabel(std::string_view) override {}
    void SetImageStatus(std::string_view) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path file = fuzz::WriteTemp("image.fwp", {data, size});
    fuzz::FuzzContext fc;
    Context& ctx = *fc;
    ctx.general.ProtocolVariant = 4;
    testing::FakeSerialPort device;
    std::string error;
    if (!device.Open(1, kPgTextMode, error)) return 0;
    BindChannel(ctx, ctx.emse1, device);
    NullView view;
    auto pg = std::make_unique<Programming>(ctx, view, ProgrammingDialogs{});
    if (!pg->ReadImageFile(file)) return 0;
    const FwpImage& image = pg->Image();
    fuzz::Require(image.header.Length <= kFwpMaxData, "an image fits its buffer");
    pg->ShowImage();
    pg->ImageStatusText();
    for (int item = 1; item <= 7; ++item) {
        pg->ItemEnabled(static_cast<PgItem>(item));
        pg->ItemCaption(static_cast<PgItem>(item));
    }

    // A file of no bytes is no image: there is nothing to save.
    if (image.header.Length == 0) return 0;
    const std::filesystem::path again = fuzz::TempFolder() / "image-again.fwp";
    fuzz::Require(pg->SaveImageFile(again), "a read image can be saved");
    FwpFileContents reread;
    fuzz::Require(ReadFwpFile(again, reread) == FwpFileError::kNone, "a saved image reads back");
    fuzz::Require(reread.header.Start == image.header.Start &&
                      reread.header.Length == image.header.Length &&
                      std::equal(reread.data.begin(), reread.data.end(), image.data.begin()),
                  "a saved image reads back equal");
    return 0;
}
