#pragma once
// Writing a file whole: the new contents go into a temporary file of a unique name in the
// target's folder, which then takes the target's place in one rename. So a failed write
// leaves the old file as it was, the target keeps its permissions, and a symbolic link stays
// a link: the file it leads to is the one replaced.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace vadrix {

class FileReplacement {
  public:
    explicit FileReplacement(std::filesystem::path target);
    ~FileReplacement();  // an uncommitted replacement is discarded
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Creates the temporary file; false when the target's folder does not allow it.
    bool Begin();
    // Appends bytes; false once any write has failed.
    bool Write(std::span<const std::uint8_t> bytes);
    bool Write(std::string_view text);
    // Makes the written contents durable and puts them in the target's place. False when
    // anything failed on the way; the target is then as it was and the temporary file gone.
    bool Commit();
    // Removes the temporary file; the target stays as it was.
    void Discard();

    // The temporary file, for a writer that opens it by name itself (a log being exported);
    // empty before Begin.
    const std::filesystem::path& TemporaryPath() const { return temp_; }
    // The file that is replaced: the target, or where its symbolic links lead.
    const std::filesystem::path& ReplacedPath() const { return final_; }

  private:
    bool Flush();
    bool Put(std::string_view bytes);
    void StartWriteBack();

    std::filesystem::path target_;
    std::filesystem::path final_;
    std::filesystem::path temp_;
    std::string buffer_;
    int fd_ = -1;
    bool failed_ = false;
    std::uint64_t written_ = 0;        // bytes written to the temporary file
    std::uint64_t writeBackFrom_ = 0;  // where the write-back not yet started begins
};

// The whole contents of a file at once through a replacement.
bool WriteWholeFile(const std::filesystem::path& target, std::span<const std::uint8_t> bytes);
bool WriteWholeFile(const std::filesystem::path& target, std::string_view text);
// A copy of a file whole through a replacement; false when the source cannot be read.
bool CopyWholeFile(const std::filesystem::path& source, const std::filesystem::path& target);

}  // namespace vadrix
