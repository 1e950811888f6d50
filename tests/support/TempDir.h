#pragma once
// A fresh directory for one test, removed afterwards.

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace vadrix::testing {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }
    std::filesystem::path Write(std::string_view name, std::string_view content) const;
    std::filesystem::path Write(std::string_view name,
                                const std::vector<std::uint8_t>& bytes) const;

  private:
    std::filesystem::path path_;
};

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& file);
std::string ReadFileText(const std::filesystem::path& file);

}  // namespace vadrix::testing
