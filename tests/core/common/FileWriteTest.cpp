// Whole-file writes: a temporary file beside the target, then one rename.

#include "common/FileWrite.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

namespace vadrix {
namespace {

using testing::FileSizeLimit;
using testing::ReadFileText;
using testing::TempDir;

std::vector<std::string> Entries(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t ModeOf(const std::filesystem::path& p) {
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
    return st.st_mode & 07777;
}

mode_t Umask() {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng{seed};
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    return s;
}

TEST(FileReplacement, ANewFileHasTheUsualPermissionsAndNoTemporaryFileStays) {
    TempDir dir;
    ASSERT_TRUE(WriteWholeFile(dir / "new.txt", std::string_view("hello")));
    EXPECT_EQ(ReadFileText(dir / "new.txt"), "hello");
    EXPECT_EQ(ModeOf(dir / "new.txt"), 0666 & ~Umask());
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"new.txt"});
}

TEST(FileReplacement, AReplacedFileKeepsItsPermissions) {
    TempDir dir;
    for (const mode_t mode : {0640, 0600, 0444, 0755}) {
        const auto file = dir.Write("kept", "old contents");
        ::chmod(file.c_str(), mode);
        ASSERT_TRUE(WriteWholeFile(file, std::string_view("new")));
        EXPECT_EQ(ReadFileText(file), "new");
        EXPECT_EQ(ModeOf(file), mode) << std::oct << mode;
        std::filesystem::remove(file);
    }
    EXPECT_TRUE(Entries(dir.path()).empty());
}

TEST(FileReplacement, ASymbolicLinkStaysALinkAndTheFileItLeadsToIsReplaced) {
    TempDir dir;
    std::filesystem::create_directories(dir / "real");
    const auto target = dir.Write("real/settings", "old");
    ::chmod(target.c_str(), 0600);
    // A relative link, reached through a second link.
    std::filesystem::create_symlink("real/settings", dir / "link");
    std::filesystem::create_symlink(dir / "link", dir / "link2");
    FileReplacement r(dir / "link2");
    ASSERT_TRUE(r.Begin());
    EXPECT_EQ(r.ReplacedPath(), dir / "real/settings");
    EXPECT_EQ(r.TemporaryPath().parent_path(), dir / "real");
    ASSERT_TRUE(r.Write(std::string_view("new")));
    ASSERT_TRUE(r.Commit());
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link2"));
    EXPECT_EQ(ReadFileText(target), "new");
    EXPECT_EQ(ModeOf(target), 0600u);
    EXPECT_EQ(Entries(dir / "real"), std::vector<std::string>{"settings"});

    // A link to a file not there yet makes that file; a loop of links writes nothing.
    std::filesystem::create_symlink("real/later", dir / "dangling");
    ASSERT_TRUE(WriteWholeFile(dir / "dangling", std::string_view("made")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "dangling"));
    EXPECT_EQ(ReadFileText(dir / "real/later"), "made");
    std::filesystem::create_symlink("loop2", dir / "loop1");
    std::filesystem::create_symlink("loop1", dir / "loop2");
    EXPECT_FALSE(WriteWholeFile(dir / "loop1", std::string_view("never")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "loop1"));
}

TEST(FileReplacement, AFailedWriteLeavesTheOldFileAsItWas) {
    TempDir dir;
    const std::string old = RandomBytes(5000, 1);
    const auto file = dir.Write("data.bin", old);
    {
        // The disk refuses more than 64 KiB.
        FileSizeLimit limit(64 * 1024);
        EXPECT_FALSE(WriteWholeFile(file, RandomBytes(200 * 1024, 2)));
    }
    EXPECT_EQ(ReadFileText(file), old);
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"data.bin"});

    // A writer that gives up part way discards what it wrote.
    {
        FileReplacement r(file);
        ASSERT_TRUE(r.Begin());
        ASSERT_TRUE(r.Write(RandomBytes(100 * 1024, 3)));
        r.Discard();
        EXPECT_FALSE(r.Commit());
    }
    {
        FileReplacement r(file);
        ASSERT_TRUE(r.Begin());
        ASSERT_TRUE(r.Write(std::string_view("never committed")));
    }
    EXPECT_EQ(ReadFileText(file), old);

    // A folder cannot be replaced by a file; a missing folder cannot take one.
    std::filesystem::create_directories(dir / "folder/inside");
    EXPECT_FALSE(WriteWholeFile(dir / "folder", std::string_view("x")));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder/inside"));
    EXPECT_FALSE(WriteWholeFile(dir / "missing/file", std::string_view("x")));
    EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"data.bin", "folder"}));
    EXPECT_EQ(Entries(dir / "folder"), std::vector<std::string>{"inside"});
}

TEST(FileReplacement, ACopyIsWholeAndAMissingSourceChangesNothing) {
    TempDir dir;
    const std::string contents = RandomBytes(300 * 1024 + 7, 4);
    const auto source = dir.Write("source", contents);
    const auto target = dir.Write("target", "old");
    ASSERT_TRUE(CopyWholeFile(source, target));
    EXPECT_EQ(ReadFileText(target), contents);
    EXPECT_FALSE(CopyWholeFile(dir / "gone", target));
    EXPECT_FALSE(CopyWholeFile(dir.path(), target));
    EXPECT_EQ(ReadFileText(target), contents);
    EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"source", "target"}));
}

TEST(FileReplacement, TwoWritersOfOneFileUseTemporaryFilesOfTheirOwn) {
    TempDir dir;
    FileReplacement first(dir / "shared");
    FileReplacement second(dir / "shared");
    ASSERT_TRUE(first.Begin());
    ASSERT_TRUE(second.Begin());
    EXPECT_NE(first.TemporaryPath(), second.TemporaryPath());
    ASSERT_TRUE(first.Write(std::string_view("first")));
    ASSERT_TRUE(second.Write(std::string_view("second")));
    ASSERT_TRUE(first.Commit());
    EXPECT_EQ(ReadFileText(dir / "shared"), "first");
    ASSERT_TRUE(second.Commit());
    EXPECT_EQ(ReadFileText(dir / "shared"), "second");
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"shared"});
}

}  // namespace
}  // namespace vadrix
