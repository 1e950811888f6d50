#pragma once
// Telegrams to the monitor device itself: its configuration and the blocks of a transfer
// file.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <istream>
#include <memory>

#include "app/Context.h"

namespace vadrix {

inline constexpr int kFileBlockBytes = 240;

// The per-port block of the configuration telegram, taken from a line record.
struct InterfacePortParams {
    std::uint8_t lineParam = 0;  // sent + 20
    std::uint16_t speed = 0;
    std::uint16_t second = 0;
    std::uint8_t bytes[3]{};
};
// The modulation goes as the line parameter, the bit rate as the speed, the lock time as
// the second value, then check code, lock level and tolerance.
InterfacePortParams PortParamsOf(const TLineParams& line);

// Configuration of receiver 1, sender and receiver 2 in one 58-byte frame.
void BuildConfigTelegram(Context& ctx, TEmSe& ch);

// The transfer file being sent, and the number of its next block.
struct TransferFile {
    std::unique_ptr<std::istream> in;
    std::uint8_t nextBlock = 0;

    bool Open(Context& ctx, const std::filesystem::path& file, std::uint8_t startBlock);
    void Close(Context& ctx);
    bool IsOpen() const { return in != nullptr; }
};

// The next block of up to 240 bytes; a short block ends the transfer. A read error builds
// nothing and leaves the transfer open. Returns whether a block was built.
bool BuildFileBlock(Context& ctx, TEmSe& ch, TransferFile& file);

}  // namespace vadrix
