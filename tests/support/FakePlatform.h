#pragma once
// A platform whose folders and stored values the test chooses.

#include <filesystem>
#include <string>
#include <vector>

#include "common/Platform.h"

namespace vadrix::testing {

class FakePlatform : public Platform {
  public:
    std::filesystem::path ExecutablePath() override { return executable; }
    std::string ReadDataDirectory() override { return storedDataDirectory; }
    void WriteDataDirectory(const std::string& dir) override { storedDataDirectory = dir; }
    std::filesystem::path ApplicationDataFolder() override { return applicationData; }
    std::vector<std::string> ProgramFilesFolders() override { return programFolders; }
    int AcquireInstanceSlot() override { return slot; }

    std::filesystem::path executable;
    std::string storedDataDirectory;
    std::filesystem::path applicationData;
    std::vector<std::string> programFolders{"/usr/", "/opt/"};
    int slot = 1;
};

}  // namespace vadrix::testing
