#include "gui/common/Help.h"

#include <QDesktopServices>
#include <array>
#include <cstdio>

#include "app/Context.h"

namespace vadrix {
namespace {

constexpr std::array<HelpTopic, 12> kTopics{{
    {kHelpMainWindow, "main"},
    {1100, "print"},
    {5100, "sendtelegram"},
    {5200, "sendlist"},
    {5400, "channel"},
    {5500, "settings"},
    {5550, "settings"},
    {5600, "programming"},
    {5650, "sysop"},
    {5700, "settings"},
    {6100, "filters"},
    {6300, "filters"},
}};

}  // namespace

const HelpTopic* HelpTopics(int& count) {
    count = static_cast<int>(kTopics.size());
    return kTopics.data();
}

std::filesystem::path FindManual(const std::filesystem::path& programDir) {
    const std::filesystem::path installed = programDir.parent_path() / "share/doc/vadrix/manual";
    std::error_code ec;
    if (std::filesystem::exists(installed / "en/index.html", ec)) return installed;
    return VADRIX_MANUAL_SOURCE;
}

std::optional<QUrl> HelpUrl(const std::filesystem::path& manualRoot, int language, int context) {
    const char* page = "index";
    QString anchor = "contents";
    for (const HelpTopic& t : kTopics) {
        if (t.context != context) continue;
        page = t.page;
        anchor = QString("ctx%1").arg(context);
    }
    const std::filesystem::path file =
        manualRoot / (language == 0 ? "de" : "en") / (std::string(page) + ".html");
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return std::nullopt;
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(file.string()));
    url.setFragment(anchor);
    return url;
}

void OpenHelp(const Context& ctx, int context) {
    const auto url = HelpUrl(FindManual(ctx.run.ProgramDirectory), ctx.settings.Language, context);
    if (!url || !QDesktopServices::openUrl(*url))
        std::fprintf(stderr, "vadrix: the manual cannot be opened (help context %d)\n", context);
}

}  // namespace vadrix
