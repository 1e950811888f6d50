#pragma once
// The platform on a Linux desktop: XDG folders, the configuration file that names the data
// directory, and instance slots by file locks.

#include <filesystem>

#include "common/Platform.h"
#include "runtime/InstanceLock.h"

namespace vadrix {

class DesktopPlatform : public Platform {
  public:
    DesktopPlatform();

    std::filesystem::path ExecutablePath() override;
    // Key "DataDirectory" of "Tavrel/DemoQ5.conf" in the user's configuration folder.
    std::string ReadDataDirectory() override;
    void WriteDataDirectory(const std::string& dir) override;
    std::filesystem::path ApplicationDataFolder() override;
    std::vector<std::string> ProgramFilesFolders() override;
    int AcquireInstanceSlot() override;

    std::filesystem::path ConfigFile() const;

    // Tests point the folders elsewhere.
    std::filesystem::path configHome;
    std::filesystem::path dataHome;
    std::filesystem::path lockDirectory;

  private:
    InstanceLock lock_;
};

}  // namespace vadrix
