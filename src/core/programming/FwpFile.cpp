#include "programming/FwpFile.h"

#include <cstring>
#include <fstream>
#include <system_error>

#include "common/FileWrite.h"

namespace vadrix {

namespace {

constexpr std::size_t kHeaderSize = sizeof(TFwpHeader);
constexpr std::uint32_t kAddressSpace = 0x10000;

}  // namespace

FwpFileError ReadFwpFile(const std::filesystem::path& file, FwpFileContents& contents,
                         bool verifyChecksum) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return FwpFileError::kUnreadable;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec) return FwpFileError::kUnreadable;
    if (size < kHeaderSize) return FwpFileError::kNoHeader;

    std::ifstream in(file, std::ios::binary);
    TFwpHeader header{};
    if (!in.read(reinterpret_cast<char*>(&header), kHeaderSize)) return FwpFileError::kUnreadable;
    if (std::memcmp(header.Magic, kFwpMagic, sizeof kFwpMagic) != 0) return FwpFileError::kMagic;
    // The program writes images of up to the whole buffer and must read them back.
    if (header.Length > kFwpMaxData) return FwpFileError::kTooLong;
    if (std::uint32_t{header.Start} + header.Length > kAddressSpace)
        return FwpFileError::kOutOfRange;
    if (size != kHeaderSize + header.Length) return FwpFileError::kSize;

    std::vector<std::uint8_t> data(header.Length);
    if (!in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size())))
        return FwpFileError::kUnreadable;
    if (verifyChecksum && FwpChecksum(data) != header.Checksum) return FwpFileError::kChecksum;

    contents.header = header;
    contents.data = std::move(data);
    return FwpFileError::kNone;
}

bool WriteFwpFile(const std::filesystem::path& file, const FwpImage& image) {
    TFwpHeader header = image.header;
    std::memcpy(header.Magic, kFwpMagic, sizeof kFwpMagic);
    header.Checksum = image.Sum();
    FileReplacement out(file);
    return out.Begin() && out.Write(BytesOf(header)) && out.Write(image.Bytes()) && out.Commit();
}

}  // namespace vadrix
