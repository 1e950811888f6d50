// Instance slots across processes and the stored data directory.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

#include "runtime/DesktopPlatform.h"
#include "runtime/InstanceLock.h"
#include "support/QtApp.h"
#include "support/TempDir.h"

namespace vadrix {
namespace {

// A child process that takes a slot, reports it through a pipe and then holds it until
// killed.
struct Holder {
    pid_t pid = -1;
    int slot = -1;
};

Holder StartHolder(const std::filesystem::path& dir) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        InstanceLock lock;
        const char slot = static_cast<char>(lock.Acquire(dir));
        if (write(fds[1], &slot, 1) != 1) _exit(2);
        for (;;) pause();
    }
    close(fds[1]);
    char slot = -1;
    if (read(fds[0], &slot, 1) != 1) slot = -1;
    close(fds[0]);
    return {pid, slot};
}

void Kill(const Holder& h) {
    kill(h.pid, SIGKILL);
    waitpid(h.pid, nullptr, 0);
}

TEST(InstanceSlots, TwoProcessesGetSlotsOneAndTwoAThirdNoneAndAKilledHolderFreesItsSlot) {
    testing::TempDir dir;
    const Holder first = StartHolder(dir.path());
    const Holder second = StartHolder(dir.path());
    const Holder third = StartHolder(dir.path());
    EXPECT_EQ(first.slot, 1);
    EXPECT_EQ(second.slot, 2);
    EXPECT_EQ(third.slot, 0);
    Kill(first);
    const Holder fourth = StartHolder(dir.path());
    EXPECT_EQ(fourth.slot, 1);
    for (const Holder& h : {second, third, fourth}) Kill(h);
}

TEST(InstanceSlots, ALockHeldInThisProcessIsKeptUntilReleased) {
    testing::TempDir dir;
    InstanceLock lock;
    EXPECT_EQ(lock.Acquire(dir.path()), 1);
    EXPECT_EQ(lock.Acquire(dir.path()), 1);  // asking again keeps the slot
    const Holder other = StartHolder(dir.path());
    EXPECT_EQ(other.slot, 2);
    Kill(other);
    lock.Release();
    const Holder again = StartHolder(dir.path());
    EXPECT_EQ(again.slot, 1);
    Kill(again);
}

TEST(DesktopPlatform, DataDirectoryIsStoredInTheUsersConfigurationFile) {
    testing::EnsureQtApplication();
    testing::TempDir dir;
    DesktopPlatform platform;
    platform.configHome = dir / "config";
    EXPECT_EQ(platform.ReadDataDirectory(), "");
    platform.WriteDataDirectory("/home/u/Vadrix data/");
    EXPECT_TRUE(std::filesystem::exists(dir / "config/Tavrel/DemoQ5.conf"));
    DesktopPlatform again;
    again.configHome = dir / "config";
    EXPECT_EQ(again.ReadDataDirectory(), "/home/u/Vadrix data/");
    EXPECT_EQ(platform.ExecutablePath().filename(), "test_runtime");
}

TEST(DesktopPlatform, XdgFoldersFollowTheEnvironment) {
    testing::TempDir dir;
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    setenv("HOME", dir.path().c_str(), 1);
    DesktopPlatform platform;
    EXPECT_EQ(platform.ApplicationDataFolder(), dir / "data");
    EXPECT_EQ(platform.ConfigFile(), dir / ".config/Tavrel/DemoQ5.conf");
    EXPECT_EQ(platform.ProgramFilesFolders(), (std::vector<std::string>{"/usr/", "/opt/"}));
}

}  // namespace
}  // namespace vadrix
