#include "app/ProgramStart.h"

#include <algorithm>
#include <cctype>

#include "app/DataFiles.h"
#include "channel/Channel.h"
#include "common/TextIds.h"
#include "log/SendFile.h"

namespace vadrix {
namespace {

std::string Lower(std::string_view s) {
    std::string r(s);
    std::transform(r.begin(), r.end(), r.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return r;
}

bool SameWord(std::string_view a, std::string_view b) {
    return !b.empty() && Lower(a) == Lower(b);
}

bool ReadSwitch(Context& ctx, std::string_view word) {
    if (word.size() < 2 || (word.front() != '-' && word.front() != '/')) return false;
    const std::string s = Lower(word.substr(1));
    if (s == "t") {
        ctx.run.TestMode = true;
        return true;
    }
    if (s == "t2") {
        ctx.run.DisplayTiming = true;
        return true;
    }
    return false;
}

std::filesystem::path StoredOrDefaultSendFile(Context& ctx) {
    const std::filesystem::path stored = StoredFileName(ctx.settings.AuxFileName);
    if (!stored.empty()) return stored;
    return DataFileName(ctx, txt::kSendFileName);
}

std::filesystem::path StoredOrDefaultDescriptions(Context& ctx) {
    const std::filesystem::path stored = StoredFileName(ctx.settings.DescriptionFile);
    if (!stored.empty()) return stored;
    return ctx.run.DataDirectory / TextPath(ctx.Txt(txt::kDescFileName));
}

}  // namespace

// The extension texts carry their dot or not; both are taken.
bool HasExtension(const std::filesystem::path& file, std::string_view ext) {
    std::string want = Lower(ext);
    if (want.empty()) return false;
    if (want.front() != '.') want.insert(want.begin(), '.');
    return Lower(file.extension().string()) == want;
}

ProgramArguments ReadCommandLine(Context& ctx, const std::vector<std::string>& args) {
    ProgramArguments line;
    ctx.run.LogFilePath = DataFileName(ctx, txt::kLogFileName);
    ctx.run.LogFromFile = false;
    for (const std::string& word : args) {
        if (ReadSwitch(ctx, word)) continue;
        const std::filesystem::path file(word);
        if (HasExtension(file, ctx.Txt(txt::kLogFileExt))) {
            line.logFile = file;
            ctx.run.LogFilePath = file;
            ctx.run.LogFromFile = true;
        } else if (HasExtension(file, ctx.Txt(txt::kSendFileExt))) {
            line.sendFile = file;
        } else if (HasExtension(file, ctx.Txt(txt::kDescFileExt))) {
            line.descriptionFile = file;
        } else if (SameWord(word, ctx.Txt(txt::kOnlineStateBase))) {
            ctx.settings.Online = 0;
            line.onlineWord = true;
        } else if (SameWord(word, ctx.Txt(txt::kOnlineStateBase + 1))) {
            ctx.settings.Online = 1;
            line.onlineWord = true;
        } else {
            line.ignored.push_back(word);
        }
    }
    return line;
}

void OpenStartFiles(Context& ctx, const ProgramArguments& line, Descriptions& descriptions) {
    const std::filesystem::path sendFile =
        line.sendFile.empty() ? StoredOrDefaultSendFile(ctx) : line.sendFile;
    LoadSendFile(ctx, sendFile);
    ctx.log.Open(ctx.run.LogFilePath, ctx.settings.Option(TSettings::kOptDailyLog),
                 line.logFile.empty() ? OpenIntent::kOwnLog : OpenIntent::kChosenFile);
    if (!line.sendFile.empty() && line.logFile.empty()) LoadSendFile(ctx, sendFile);
    const std::filesystem::path desc =
        line.descriptionFile.empty() ? StoredOrDefaultDescriptions(ctx) : line.descriptionFile;
    if (!LoadDescriptions(ctx, descriptions, desc)) ctx.settings.DescriptionFile.assign("");
}

void CheckConfiguredPorts(Context& ctx, const std::vector<int>& presentPorts) {
    const auto present = [&](std::uint32_t port) {
        return port == 0 || std::find(presentPorts.begin(), presentPorts.end(),
                                      static_cast<int>(port)) != presentPorts.end();
    };
    if (!present(ctx.emse1.P.ComNumber) || !present(ctx.emse2.P.ComNumber)) ctx.settings.Online = 0;
}

void CloseProgram(Context& ctx, Platform& platform) {
    ClosePorts(ctx);
    ctx.log.Close();
    if (ctx.run.SendFileModified) SaveSendFile(ctx, ctx.run.AuxFilePath);
    SaveSettings(ctx, platform);
}

}  // namespace vadrix
