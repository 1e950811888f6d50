#include "transmit/InterfaceTelegrams.h"

#include <algorithm>

#include "common/Bytes.h"
#include "transmit/Compose.h"
#include "transmit/ComposeSteps.h"

namespace vadrix {

namespace {

constexpr int kPortBlockBytes = 16;
constexpr int kConfigFrameLength = 58;

std::uint16_t Clamp16(std::int32_t v) {
    return static_cast<std::uint16_t>(std::clamp(v, 0, 0xFFFF));
}
std::uint8_t Clamp8(std::int64_t v) {
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(v, 0, 0xFF));
}

void PutPortBlock(std::uint8_t* b, int variant, const InterfacePortParams& p) {
    b[0] = static_cast<std::uint8_t>(variant);
    b[1] = p.lineParam;
    PutLe16(b + 2, p.speed);
    PutLe16(b + 4, p.second);
    b[6] = p.bytes[0];
    b[7] = p.bytes[1];
    b[8] = p.bytes[2];
    b[9] = 125;  // "}"
    b[10] = variant == 0 ? 5 : 1;
}

}  // namespace

InterfacePortParams PortParamsOf(const TLineParams& line) {
    InterfacePortParams p;
    p.lineParam = Clamp8(static_cast<std::int64_t>(line.Mv) + 20);
    p.speed = Clamp16(line.BitRate);
    p.second = Clamp16(line.SpZt);
    p.bytes[0] = Clamp8(line.CheckCode);
    p.bytes[1] = Clamp8(line.SpPl);
    p.bytes[2] = Clamp8(line.Tol);
    return p;
}

void BuildConfigTelegram(Context& ctx, TEmSe& ch) {
    TTelegram& t = RecordSetUp(ch);
    t.Status = record_code::kConfig;
    t.Kind = kind::kNoTelegram;
    t.Frame[4] = 1;
    t.Frame[5] = 0;
    t.Frame[6] = 0;
    t.Frame[7] = 48;
    for (int port = 0; port < 3; ++port)
        PutPortBlock(t.Frame + 8 + kPortBlockBytes * port, ctx.general.ProtocolVariant,
                     PortParamsOf(ch.P.Line[port]));
    t.FrameLen = kConfigFrameLength;
    ChecksumStep(t);
}

bool TransferFile::Open(Context& ctx, const std::filesystem::path& file, std::uint8_t startBlock) {
    auto f = std::make_unique<std::ifstream>(file, std::ios::binary);
    if (!*f) return false;
    in = std::move(f);
    nextBlock = startBlock;
    ctx.run.TransferFileOpen = true;
    return true;
}

void TransferFile::Close(Context& ctx) {
    in.reset();
    ctx.run.TransferFileOpen = false;
}

bool BuildFileBlock(Context& ctx, TEmSe& ch, TransferFile& file) {
    if (!file.IsOpen()) return false;
    std::uint8_t block[kFileBlockBytes];
    file.in->read(reinterpret_cast<char*>(block), kFileBlockBytes);
    if (file.in->bad()) {
        file.in->clear();
        return false;
    }
    const auto got = static_cast<int>(file.in->gcount());
    TTelegram& t = RecordSetUp(ch);
    t.Status = record_code::kFileBlock;
    t.Kind = kind::kNoTelegram;
    t.Frame[4] = 7;
    t.Frame[5] = file.nextBlock++;
    t.Frame[7] = static_cast<std::uint8_t>(got);
    std::copy(block, block + got, t.Frame + 8);
    t.FrameLen = static_cast<std::int16_t>(got + 10);
    ChecksumStep(t);
    if (got < kFileBlockBytes) file.Close(ctx);
    return true;
}

}  // namespace vadrix
