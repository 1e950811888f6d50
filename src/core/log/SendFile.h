#pragma once
// The send telegram file: general parameters, both channel blocks and the two send tables
// in one binary file of 98916 bytes.

#include <filesystem>

#include "app/Context.h"

namespace vadrix {

// The default file of this instance: DataFileName(1222).
std::filesystem::path DefaultSendFilePath(const Context& ctx);

// Takes over what a valid file holds (the current log size is kept; every part only with
// its own size word) and makes it the file in use. A missing, short, long or foreign file
// changes nothing and reports text 1216 with its name, except a missing default file.
bool LoadSendFile(Context& ctx, const std::filesystem::path& file);
// Writes the whole set-up; on success the file is the one in use and no longer modified.
// A file that cannot be written whole leaves an existing one as it was.
bool SaveSendFile(Context& ctx, const std::filesystem::path& file);

}  // namespace vadrix
