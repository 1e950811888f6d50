#pragma once
// Help: the user manual's HTML pages, one per window with an anchor per help context, opened
// in the desktop's browser.

#include <QUrl>
#include <filesystem>
#include <optional>

namespace vadrix {

struct Context;

inline constexpr int kHelpContents = 0;
inline constexpr int kHelpMainWindow = 140;

// The manual's folder: installed beside the program's share folder, else the source tree's.
std::filesystem::path FindManual(const std::filesystem::path& programDir);
// The page and anchor of a help context in the language of the texts (0 German, else
// English); an unknown context opens the contents. nullopt when the page is missing.
std::optional<QUrl> HelpUrl(const std::filesystem::path& manualRoot, int language, int context);
// The page, or a message when the manual cannot be found.
void OpenHelp(const Context& ctx, int context);

// The help contexts with their pages, for the checks of the manual.
struct HelpTopic {
    int context;
    const char* page;
};
const HelpTopic* HelpTopics(int& count);

}  // namespace vadrix
