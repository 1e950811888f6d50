#include "support/TempDir.h"

#include <unistd.h>
#include <cstdlib>
#include <iterator>

namespace vadrix::testing {

TempDir::TempDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "vadrix-test-XXXXXX").string();
    if (mkdtemp(templ.data()) == nullptr) std::abort();
    path_ = templ;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TempDir::Write(std::string_view name, std::string_view content) const {
    const std::filesystem::path p = path_ / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary)
        .write(content.data(), static_cast<std::streamsize>(content.size()));
    return p;
}

std::filesystem::path TempDir::Write(std::string_view name,
                                     const std::vector<std::uint8_t>& bytes) const {
    return Write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string ReadFileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace vadrix::testing
