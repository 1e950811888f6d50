#include "app/DataFiles.h"

#include <cctype>
#include <cstdio>

#include "common/FileWrite.h"
#include "common/TextIds.h"

namespace vadrix {

namespace {

std::string InstanceSuffix(const Context& ctx) {
    return ctx.run.InstanceNumber != 1 ? std::to_string(ctx.run.InstanceNumber) : std::string();
}

bool IsDirectory(const std::filesystem::path& p) {
    std::error_code ec;
    return !p.empty() && std::filesystem::is_directory(p, ec);
}

// The directory part of a stored hint: up to and including its last delimiter.
std::filesystem::path DirectoryPart(const std::string& hint) {
    const std::size_t slash = hint.find_last_of('/');
    if (slash == std::string::npos) return {};
    return hint.substr(0, slash + 1);
}

std::filesystem::path WithTrailingSlash(std::filesystem::path p) {
    if (!p.empty() && !p.string().ends_with('/')) p += "/";
    return p;
}

}  // namespace

std::filesystem::path TextPath(std::string_view cp1252) {
    return Cp1252ToUtf8(cp1252);
}

std::filesystem::path DataFileName(const Context& ctx, int n) {
    std::string name = Cp1252ToUtf8(ctx.Txt(n)) + InstanceSuffix(ctx);
    if (n == txt::kLogFileName && ctx.settings.Option(TSettings::kOptDailyLog)) {
        char day[8];
        std::snprintf(day, sizeof day, "%.2d", ctx.clock.Now().day);
        name += day;
    }
    name += Cp1252ToUtf8(ctx.Txt(n + 1));
    return ctx.run.DataDirectory / name;
}

std::filesystem::path DataFileBase(const Context& ctx, int n) {
    return ctx.run.DataDirectory / TextPath(ctx.Txt(n));
}

bool CopyDataFile(Context& ctx, const std::filesystem::path& source,
                  const std::filesystem::path& destination) {
    std::error_code ec;
    if (source == destination || !std::filesystem::exists(source, ec)) return false;
    ctx.ui.SetWaitCursor(true);
    const bool ok = CopyWholeFile(source, destination);
    ctx.ui.SetWaitCursor(false);
    return ok;
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec)) return true;
    const auto place = [](const std::filesystem::path& p) {
        std::error_code e;
        return std::filesystem::weakly_canonical(p, e).lexically_normal();
    };
    return place(a) == place(b);
}

bool InsideProgramFolders(const std::string& dir, const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
        if (dir.size() < folder.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < folder.size() && same; ++i)
            same = std::tolower(static_cast<unsigned char>(dir[i])) ==
                   std::tolower(static_cast<unsigned char>(folder[i]));
        if (same) return true;
    }
    return false;
}

void LoadSettingsAndDataDir(Context& ctx, Platform& platform) {
    TRunState& run = ctx.run;
    const std::string stored = platform.ReadDataDirectory();
    if (IsDirectory(stored)) {
        run.DataDirectory = WithTrailingSlash(stored);
        ReadSettingsFile(DataFileName(ctx, txt::kSettingsFileName), ctx.settings);
        return;
    }

    run.DataDirectory = run.ProgramDirectory;
    if (ReadSettingsFile(DataFileName(ctx, txt::kSettingsFileName), ctx.settings)) {
        const std::filesystem::path hinted =
            DirectoryPart(StoredFileName(ctx.settings.DataDirHint).string());
        if (IsDirectory(hinted) &&
            !InsideProgramFolders(hinted.string(), platform.ProgramFilesFolders())) {
            run.DataDirectory = hinted;
            return;
        }
    }

    // First run: a data folder of our own below the user's application data.
    const std::filesystem::path oldLog = DataFileName(ctx, txt::kLogFileName);
    const std::filesystem::path oldAux = DataFileName(ctx, txt::kSendFileName);
    const std::filesystem::path ownDir =
        WithTrailingSlash(platform.ApplicationDataFolder() / "Tavrel" / "DemoQ5");
    std::error_code ec;
    std::filesystem::create_directories(ownDir, ec);
    if (!IsDirectory(ownDir)) {
        run.DataDirectory = run.ProgramDirectory;
        return;
    }
    run.DataDirectory = ownDir;
    run.LogFilePath = DataFileName(ctx, txt::kLogFileName);
    run.AuxFilePath = DataFileName(ctx, txt::kSendFileName);
    StoreFileName(ctx.settings.AuxFileName, run.AuxFilePath);
    // Files found in the new folder are newer than the program folder's: never overwrite them.
    if (!std::filesystem::exists(run.LogFilePath, ec)) CopyDataFile(ctx, oldLog, run.LogFilePath);
    if (!std::filesystem::exists(run.AuxFilePath, ec)) CopyDataFile(ctx, oldAux, run.AuxFilePath);
}

bool SaveSettings(Context& ctx, Platform& platform) {
    platform.WriteDataDirectory(ctx.run.DataDirectory.string());
    TSettings& s = ctx.settings;
    StoreFileName(s.AuxFileName, ctx.run.AuxFilePath);
    s.DataDirHint.assign("");
    s.RecordSize = TSettings::kSize;
    s.RecordVersion = TSettings::kVersion;
    return WriteSettingsFile(DataFileName(ctx, txt::kSettingsFileName), s);
}

}  // namespace vadrix
