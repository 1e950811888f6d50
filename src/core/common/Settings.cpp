#include "common/Settings.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "common/FileWrite.h"
#include "common/TextTable.h"

namespace vadrix {

bool TakeOverSettings(TSettings& dst, std::span<const std::uint8_t> stored) {
    if (stored.size() != TSettings::kSize) return false;
    if (ReadLe<std::uint32_t>(stored, offsetof(TSettings, RecordVersion)) != TSettings::kVersion)
        return false;
    if (ReadLe<std::uint32_t>(stored, offsetof(TSettings, Magic)) != TSettings::kMagic)
        return false;
    if (ReadLe<std::uint32_t>(stored, offsetof(TSettings, RecordSize)) != TSettings::kSize)
        return false;
    std::memcpy(&dst, stored.data(), TSettings::kSize);
    if (dst.View.Version != TViewBlock::kVersion) dst.View = TViewBlock{};
    return true;
}

bool ReadSettingsFile(const std::filesystem::path& file, TSettings& dst) {
    std::error_code ec;
    // A settings file of any other size is not ours; do not even read it.
    if (!std::filesystem::is_regular_file(file, ec) ||
        std::filesystem::file_size(file, ec) != TSettings::kSize || ec)
        return false;
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::vector<std::uint8_t> bytes(TSettings::kSize + 1);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return TakeOverSettings(dst, bytes);
}

void StoreFileName(PString<256>& field, const std::filesystem::path& file) {
    const std::string name = file.string();
    field.assign(Utf8Prefix(name, field.chars.size()));
}

std::filesystem::path StoredFileName(const PString<256>& field) {
    const std::string_view name = field.view();
    return IsUtf8(name) ? std::string(name) : Cp1252ToUtf8(name);
}

bool WriteSettingsFile(const std::filesystem::path& file, const TSettings& s) {
    return WriteWholeFile(file, BytesOf(s));
}

}  // namespace vadrix
