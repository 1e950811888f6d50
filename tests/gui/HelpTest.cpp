// Help: every help context the windows use has its anchor on its page in both languages,
// and the address of a context is the page with that anchor.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "gui/common/Help.h"

namespace vadrix::testing {
namespace {

const std::filesystem::path kManual = std::filesystem::path(VADRIX_SOURCE_DIR) / "doc/manual";

std::string Read(const std::filesystem::path& f) {
    std::ifstream in(f);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(HelpTest, EveryContextHasItsAnchorInBothLanguages) {
    int n = 0;
    const HelpTopic* topics = HelpTopics(n);
    ASSERT_GT(n, 0);
    for (int i = 0; i < n; ++i) {
        for (const char* lang : {"en", "de"}) {
            const auto page = kManual / lang / (std::string(topics[i].page) + ".html");
            const std::string text = Read(page);
            ASSERT_FALSE(text.empty()) << page;
            EXPECT_NE(text.find("id=\"ctx" + std::to_string(topics[i].context) + "\""),
                      std::string::npos)
                << page << " lacks context " << topics[i].context;
        }
    }
}

TEST(HelpTest, AddressesPointAtThePageAndAnchorInTheLanguageOfTheTexts) {
    const struct {
        int language, context;
        const char* path;
        const char* anchor;
    } cases[] = {
        {1, 140, "en/main.html", "ctx140"},
        {0, 140, "de/main.html", "ctx140"},
        {1, 6100, "en/filters.html", "ctx6100"},
        {0, 6300, "de/filters.html", "ctx6300"},
        {1, 4242, "en/index.html", "contents"},  // unknown: the contents
        {1, kHelpContents, "en/index.html", "contents"},
    };
    for (const auto& c : cases) {
        const auto url = HelpUrl(kManual, c.language, c.context);
        ASSERT_TRUE(url.has_value()) << c.context;
        EXPECT_TRUE(url->isLocalFile());
        EXPECT_TRUE(url->toLocalFile().endsWith(c.path)) << url->toString().toStdString();
        EXPECT_EQ(url->fragment(), c.anchor);
    }
    EXPECT_FALSE(HelpUrl(kManual / "missing", 1, 140).has_value());
    EXPECT_EQ(FindManual("/nowhere/bin"), kManual);
}

}  // namespace
}  // namespace vadrix::testing
