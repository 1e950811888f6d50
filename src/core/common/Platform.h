#pragma once
// The platform layer behind start-up: where the program lies, the stored name of the data
// directory, the user's data folder, the folders programs are installed in, instance slots.

#include <filesystem>
#include <string>
#include <vector>

namespace vadrix {

class Platform {
  public:
    virtual ~Platform() = default;
    virtual std::filesystem::path ExecutablePath() = 0;
    // The stored data directory; empty when it was never stored.
    virtual std::string ReadDataDirectory() = 0;
    virtual void WriteDataDirectory(const std::string& dir) = 0;
    // The user's folder for application data; the program keeps its files below it.
    virtual std::filesystem::path ApplicationDataFolder() = 0;
    // Folders into which programs are installed; a data directory never lies there.
    virtual std::vector<std::string> ProgramFilesFolders() = 0;
    // Takes instance slot 1 or 2 for the life of the process; 0 when both are taken.
    virtual int AcquireInstanceSlot() = 0;
};

}  // namespace vadrix
