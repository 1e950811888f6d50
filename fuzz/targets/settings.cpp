// The settings file: read at start, its file names and view settings put to use, and
// written back at the end, which must give the record that was read.

#include <cstdint>
#include <cstring>

#include "FuzzSupport.h"
#include "app/DataFiles.h"
#include "common/Settings.h"
#include "interpret/LineGenerator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vadrix;
    const std::filesystem::path file = fuzz::WriteTemp("settings.dat", {data, size});
    fuzz::FuzzContext fc;
    Context& ctx = *fc;
    if (!ReadSettingsFile(file, ctx.settings)) return 0;
    const TSettings& s = ctx.settings;
    StoredFileName(s.DataDirHint);
    StoredFileName(s.AuxFileName);
    StoredFileName(s.DescriptionFile);
    StoredFileName(s.EditorFile);
    StoredFileName(s.FwpFileName);
    for (const PString<256>& h : s.History) TextPath(StoredFileName(h).string());
    LanguageFilePath(fuzz::TempFolder(), s.Language);
    const InterpretSettings view = SettingsFromContext(ctx);
    fuzz::Require(static_cast<int>(view.format) >= 2 && static_cast<int>(view.format) <= 8,
                  "the display format is one of 2..8");

    // Stored again as the program does at its end: the same record comes back.
    const std::filesystem::path again = fuzz::TempFolder() / "settings-again.dat";
    fuzz::Require(WriteSettingsFile(again, s), "the settings can be written");
    TSettings reread;
    fuzz::Require(ReadSettingsFile(again, reread), "written settings read back");
    fuzz::Require(std::memcmp(&reread, &s, sizeof s) == 0, "written settings read back equal");
    return 0;
}
