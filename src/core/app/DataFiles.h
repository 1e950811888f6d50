#pragma once
// The data directory, the settings file and the names of the data files.

#include <filesystem>

#include "app/Context.h"
#include "common/Platform.h"

namespace vadrix {

// DataDirectory + text n + instance suffix + text n + 1; for the log file (text 1199) the day
// of the month goes before the extension when one log file per day is chosen.
std::filesystem::path DataFileName(const Context& ctx, int n);
// DataDirectory + text n, without suffix or extension.
std::filesystem::path DataFileBase(const Context& ctx, int n);
// Copies a file whole; nothing when the names are equal or the source does not exist.
bool CopyDataFile(Context& ctx, const std::filesystem::path& source,
                  const std::filesystem::path& destination);

// Picks the data directory and reads the settings file.
void LoadSettingsAndDataDir(Context& ctx, Platform& platform);
// Writes the settings file and the stored data directory; failures are not reported.
bool SaveSettings(Context& ctx, Platform& platform);

// True when dir lies inside one of the platform's program folders (compared without case).
bool InsideProgramFolders(const std::string& dir, const std::vector<std::string>& folders);

// Whether two names denote the same file; for a file that does not exist yet, whether they
// name the same place.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// The texts are CP1252; the file system wants UTF-8 names.
std::filesystem::path TextPath(std::string_view cp1252);

}  // namespace vadrix
