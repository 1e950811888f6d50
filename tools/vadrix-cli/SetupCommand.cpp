// setup: the simulation set-up of a send telegram file as "key = value" lines, and changes
// to it checked field by field and written through the program's own save.

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <span>
#include <system_error>

#include "CliTool.h"
#include "CommandLine.h"
#include "Commands.h"
#include "SetUpFields.h"
#include "app/SendDefaults.h"
#include "app/Startup.h"
#include "editors/NumberText.h"
#include "log/LogFileLayout.h"
#include "log/SendFile.h"
#include "log/SendFileLayout.h"

namespace vadrix::cli {
namespace {

const char* const kSetupHelp =
    "usage: vadrix-cli setup FILE [KEY=VALUE ...] [OPTIONS]\n"
    "Shows the whole simulation set-up held in the send telegram file FILE (general\n"
    "parameters, channels emse1 and emse2, send telegrams telegram1..12, send lists\n"
    "list1..12) as lines 'key = value', or, with assignments, changes it. A FILE that does\n"
    "not exist starts from the program's defaults.\n"
    "Every value is checked against the rules of its field; one bad key or value refuses\n"
    "the whole change and leaves FILE as it was. The listing fed back as assignments to a\n"
    "new file makes the same file byte for byte.\n"
    "  --from LIST      assignments from the file LIST ('-': standard input), one\n"
    "                   'key = value' a line; blank lines and lines starting with '#' are\n"
    "                   skipped; assignments given as words come after them\n"
    "  --all            list every row of the send lists (else rows holding the default\n"
    "                   entry are left out)\n"
    "  --keys           list every key with the values it accepts (FILE may be left out)\n"
    "  --lang ger|usa   the language of the default names\n";

struct Assignment {
    std::string where;  // "word 3" or "LIST:12"
    std::string key;
    std::string value;
};

// "key = value" or "key=value"; false for anything else.
bool SplitAssignment(std::string_view text, Assignment& a) {
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) return false;
    a.key = std::string(TrimBlanks(text.substr(0, eq)));
    a.value = std::string(TrimBlanks(text.substr(eq + 1)));
    return !a.key.empty();
}

bool ReadAssignments(const std::string& list, std::vector<Assignment>& out, std::string& error) {
    std::ifstream file;
    if (list != "-") {
        file.open(list, std::ios::binary);
        if (!file) {
            error = list + ": cannot be read";
            return false;
        }
    }
    std::istream& in = list == "-" ? std::cin : file;
    int lineNo = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNo;
        const std::string_view text = TrimBlanks(line);
        if (text.empty() || text.front() == '#') continue;
        Assignment a;
        a.where = list + ":" + std::to_string(lineNo);
        if (!SplitAssignment(text, a)) {
            error = a.where + ": not a line 'key = value'";
            return false;
        }
        out.push_back(std::move(a));
    }
    return true;
}

// The set-up the program starts with before it loads a send telegram file.
void UseDefaults(Context& ctx) {
    ctx.general = TGeneralParams{};
    ctx.emse1.P = TChannelBlock{};
    SetUpChannels(ctx);
    SetDefaultSendTelegrams(ctx);
    SetDefaultSendLists(ctx);
}

// A send telegram file is exactly one set-up long and begins with a log header.
bool ReadSendFile(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(file, std::ios::binary);
    bytes.assign(TSendFile::kSize + 1, 0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.gcount() != static_cast<std::streamsize>(TSendFile::kSize)) return false;
    bytes.resize(TSendFile::kSize);
    TLogHeader h;
    std::memcpy(&h, bytes.data(), sizeof h);
    return h.Valid();
}

// Loads FILE through the program's own loader, which keeps the log size of the program;
// the set-up shows the file's own.
bool LoadSetUp(Context& ctx, const std::filesystem::path& file) {
    std::vector<std::uint8_t> bytes;
    if (!ReadSendFile(file, bytes)) {
        Error(file.string() + ": not a send telegram file (" + std::to_string(TSendFile::kSize) +
              " bytes beginning with a log header)");
        return false;
    }
    if (!LoadSendFile(ctx, file)) return false;
    TGeneralParams stored;
    if (TakeOverGeneralParams(stored, std::span(bytes).subspan(offsetof(TLogHeader, General))))
        ctx.general.LogSize = stored.LogSize;
    return true;
}

std::unique_ptr<SetUpImage> ImageOf(const Context& ctx) {
    auto image = std::make_unique<SetUpImage>();
    image->general = ctx.general;
    image->emse1 = ctx.emse1.P;
    image->emse2 = ctx.emse2.P;
    image->telegrams = ctx.sendTelegrams;
    image->lists = ctx.sendLists;
    return image;
}

void PutImage(const SetUpImage& image, Context& ctx) {
    ctx.general = image.general;
    ctx.emse1.P = image.emse1;
    ctx.emse2.P = image.emse2;
    ctx.sendTelegrams = image.telegrams;
    ctx.sendLists = image.lists;
}

// Every assignment applied in turn; the messages of those refused.
std::vector<std::string> Apply(SetUpImage& image, const SetUpFields& fields,
                               const std::vector<Assignment>& assignments) {
    std::vector<std::string> errors;
    for (const Assignment& a : assignments) {
        const Field* f = fields.Find(a.key);
        std::string reason;
        if (f == nullptr)
            errors.push_back(a.where + ": " + a.key +
                             ": no such key (vadrix-cli setup --keys lists them)");
        else if (!fields.Assign(image, *f, a.value, reason))
            errors.push_back(a.where + ": " + a.key + ": " + reason);
    }
    for (const std::string& e : fields.CheckTogether(image)) errors.push_back(e);
    return errors;
}

int ListKeys(const SetUpFields& fields) {
    for (const Field& f : fields.All())
        std::printf("%s  %s\n", f.key.c_str(), SetUpFields::Accepted(f).c_str());
    return kExitOk;
}

}  // namespace

int Setup(const Words& words) {
    if (WantsHelp(words)) {
        std::fputs(kSetupHelp, stdout);
        return kExitOk;
    }
    CommandLine args(
        {{"--from", "", true}, {"--all", "", false}, {"--keys", "", false}, {"--lang", "", true}});
    std::string error;
    if (!args.Parse(words, error)) return UsageError(error, "setup");
    const bool keysOnly = args.Has("--keys");
    if (args.Positional().empty() && !keysOnly) return UsageError("setup takes a FILE", "setup");
    std::vector<Assignment> assignments;
    for (std::size_t i = 1; i < args.Positional().size(); ++i) {
        Assignment a;
        a.where = "word " + std::to_string(i + 1);
        if (!SplitAssignment(args.Positional()[i], a))
            return UsageError("'" + args.Positional()[i] + "' is no assignment KEY=VALUE", "setup");
        assignments.push_back(std::move(a));
    }

    Tool tool(false);
    if (const int code = tool.Start(); code >= 0) return code;
    Context& ctx = tool.ctx();
    if (const auto lang = args.Value("--lang"); lang && !tool.UseLanguage(*lang))
        return kExitFailed;
    const SetUpFields fields(ctx);
    if (keysOnly) return ListKeys(fields);

    if (const auto list = args.Value("--from")) {
        std::vector<Assignment> fromList;
        if (!ReadAssignments(*list, fromList, error)) {
            Error(error);
            return kExitFailed;
        }
        assignments.insert(assignments.begin(), fromList.begin(), fromList.end());
    }
    const std::filesystem::path file = args.Positional()[0];
    UseDefaults(ctx);
    std::error_code ec;
    if (std::filesystem::exists(file, ec) && !LoadSetUp(ctx, file)) return kExitFailed;

    const auto image = ImageOf(ctx);
    if (assignments.empty() && !args.Has("--from")) {
        std::fputs(Listing(*image, fields, args.Has("--all")).c_str(), stdout);
        return kExitOk;
    }
    const std::vector<std::string> errors = Apply(*image, fields, assignments);
    if (!errors.empty()) {
        for (const std::string& e : errors) Error(e);
        Error(file.string() + ": nothing changed");
        return kExitUsage;
    }
    if (Protected(tool, file, {args.Value("--from").value_or("")})) return kExitFailed;
    DeriveFields(*image);
    PutImage(*image, ctx);
    if (!SaveSendFile(ctx, file)) {
        Error(file.string() + ": cannot be written");
        return kExitFailed;
    }
    std::printf("%zu values set in %s\n", assignments.size(), file.c_str());
    return kExitOk;
}

}  // namespace vadrix::cli
