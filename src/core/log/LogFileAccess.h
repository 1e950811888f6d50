#pragma once
// Positioned reads and writes on one file, with a data sync. The only place where the log
// touches the operating system, so that a port needs to change this file alone.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

namespace vadrix {

class TFileAccess {
  public:
    enum class Mode { kReadOnly, kReadWrite, kCreateTruncate };

    TFileAccess() = default;
    ~TFileAccess() { Close(); }
    TFileAccess(const TFileAccess&) = delete;
    TFileAccess& operator=(const TFileAccess&) = delete;
    TFileAccess(TFileAccess&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    TFileAccess& operator=(TFileAccess&& other) noexcept;

    bool Open(const std::filesystem::path& file, Mode mode);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    // Reads up to buf.size() bytes at offset; returns how many were read (short at the end
    // of the file or on an error).
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buf) const;
    // Writes all bytes at offset; false when they could not all be written.
    bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) const;
    // Makes what was written durable (file data, not necessarily its metadata).
    bool Sync() const;
    // The file's size in bytes, or 0 when it cannot be told.
    std::uint64_t Size() const;

  private:
    int fd_ = -1;
};

}  // namespace vadrix
