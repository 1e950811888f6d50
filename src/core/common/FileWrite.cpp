#include "common/FileWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <random>
#include <system_error>

namespace vadrix {

namespace {

constexpr int kMaxLinkHops = 40;
constexpr int kNameAttempts = 100;
constexpr std::size_t kBufferBytes = 1 << 16;
constexpr std::uint64_t kWriteBackBytes = 8 << 20;
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kPermissionBits = 07777;

// Follows symbolic links to the file they lead to; empty for a loop of links.
std::filesystem::path ResolveLinks(std::filesystem::path p) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(p, ec))) return p;
        const std::filesystem::path next = std::filesystem::read_symlink(p, ec);
        if (ec) return {};
        p = next.is_absolute() ? next : p.parent_path() / next;
    }
    return {};
}

// The process's file creation mask, without changing it even for a moment.
mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) != 0) continue;
        const char* digits = line.c_str() + 6;
        char* end = nullptr;
        const unsigned long mask = std::strtoul(digits, &end, 8);
        if (end != digits) return static_cast<mode_t>(mask & 0777);
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

std::string UniqueSuffix() {
    static std::mt19937_64 rng{std::random_device{}()};
    return std::to_string(::getpid()) + '.' + std::to_string(rng() % 1000000000);
}

int OpenExclusive(const std::filesystem::path& p) {
    int fd;
    do {
        // Private while it is written; the final permissions are set before the rename.
        fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The replaced file's permissions and owner, or those a new file would get.
bool TakeOverAttributes(int fd, const std::filesystem::path& replaced) {
    struct stat st {};
    if (::stat(replaced.c_str(), &st) != 0)
        return ::fchmod(fd, kNewFileMode & ~CurrentUmask()) == 0;
    struct stat own {};
    if (::fstat(fd, &own) == 0 && (own.st_uid != st.st_uid || own.st_gid != st.st_gid)) {
        // The owner is kept where the system allows it; the permissions always are.
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
        }
    }
    return ::fchmod(fd, st.st_mode & kPermissionBits) == 0;
}

// The folder's entry of the new file is made durable too (not possible everywhere).
void SyncFolder(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

FileReplacement::FileReplacement(std::filesystem::path target) : target_(std::move(target)) {}

FileReplacement::~FileReplacement() {
    Discard();
}

bool FileReplacement::Begin() {
    Discard();
    failed_ = false;
    buffer_.clear();
    written_ = writeBackFrom_ = 0;
    final_ = ResolveLinks(target_);
    if (final_.empty() || !final_.has_filename()) return false;
    const std::string stem = "." + final_.filename().string() + ".";
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        temp_ = final_.parent_path() / (stem + UniqueSuffix() + ".tmp");
        fd_ = OpenExclusive(temp_);
        if (fd_ >= 0) return true;
        if (errno != EEXIST) break;
    }
    temp_.clear();
    return false;
}

bool FileReplacement::Write(std::span<const std::uint8_t> bytes) {
    return Write(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

bool FileReplacement::Write(std::string_view text) {
    if (fd_ < 0 || failed_) return false;
    // A large piece goes out as it is, without the copy into the buffer.
    if (buffer_.empty() && text.size() >= kBufferBytes) return Put(text);
    buffer_.append(text);
    return buffer_.size() < kBufferBytes || Flush();
}

bool FileReplacement::Flush() {
    if (fd_ < 0 || failed_) return false;
    const bool ok = Put(buffer_);
    buffer_.clear();
    return ok;
}

bool FileReplacement::Put(std::string_view bytes) {
    failed_ = !WriteAll(fd_, bytes.data(), bytes.size());
    written_ += bytes.size();
    StartWriteBack();
    return !failed_;
}

// A large file is sent on its way to the disk while it is still being written, so that the
// sync before the rename waits only for the last part.
void FileReplacement::StartWriteBack() {
#ifdef __linux__
    if (failed_ || written_ - writeBackFrom_ < kWriteBackBytes) return;
    ::sync_file_range(fd_, static_cast<off_t>(writeBackFrom_),
                      static_cast<off_t>(written_ - writeBackFrom_), SYNC_FILE_RANGE_WRITE);
    writeBackFrom_ = written_;
#endif
}

bool FileReplacement::Commit() {
    if (fd_ < 0) return false;
    bool ok = Flush() && ::fsync(fd_) == 0 && TakeOverAttributes(fd_, final_);
    ok = ::close(fd_) == 0 && ok;
    fd_ = -1;
    if (ok) ok = ::rename(temp_.c_str(), final_.c_str()) == 0;
    if (!ok) {
        Discard();
        return false;
    }
    temp_.clear();
    SyncFolder(final_);
    return true;
}

void FileReplacement::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    buffer_.clear();
}

bool WriteWholeFile(const std::filesystem::path& target, std::span<const std::uint8_t> bytes) {
    FileReplacement file(target);
    return file.Begin() && file.Write(bytes) && file.Commit();
}

bool WriteWholeFile(const std::filesystem::path& target, std::string_view text) {
    FileReplacement file(target);
    return file.Begin() && file.Write(text) && file.Commit();
}

bool CopyWholeFile(const std::filesystem::path& source, const std::filesystem::path& target) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(source, ec)) return false;
    std::ifstream in(source, std::ios::binary);
    if (!in) return false;
    FileReplacement file(target);
    if (!file.Begin()) return false;
    std::string chunk(kBufferBytes, '\0');
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got > 0 && !file.Write(std::string_view(chunk.data(), got))) return false;
    }
    if (in.bad()) return false;
    return file.Commit();
}

}  // namespace vadrix
