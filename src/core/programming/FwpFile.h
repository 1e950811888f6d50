#pragma once
// FWP files: the 16-byte image header followed by exactly Length data bytes.

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "programming/FwpImage.h"

namespace vadrix {

enum class FwpFileError {
    kNone,
    kUnreadable,  // missing, a folder, or a read failed
    kNoHeader,    // shorter than the header
    kMagic,       // not "k3pg"
    kTooLong,     // Length above the image buffer
    kOutOfRange,  // the image runs past address 0xFFFF
    kSize,        // the file size is not Length + 16
    kChecksum,    // the stored checksum does not match the data
};

struct FwpFileContents {
    TFwpHeader header{};
    std::vector<std::uint8_t> data;  // header.Length bytes
};

// Reads and checks a whole FWP file. On an error contents is left as it was.
FwpFileError ReadFwpFile(const std::filesystem::path& file, FwpFileContents& contents,
                         bool verifyChecksum = true);
// Writes header (magic and current checksum set here) and data through a file replacement,
// so a failed write leaves an existing file as it was.
bool WriteFwpFile(const std::filesystem::path& file, const FwpImage& image);

}  // namespace vadrix
