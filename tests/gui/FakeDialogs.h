#pragma once
// File dialogs answered by the test: each call takes the next scripted answer (none:
// cancelled) and records which dialog was asked from where.

#include <deque>
#include <filesystem>
#include <optional>
#include <vector>

#include "gui/common/Dialogs.h"

namespace vadrix::testing {

class FakeDialogs : public Dialogs {
  public:
    struct Asked {
        bool save;
        int firstText;
        std::filesystem::path start;
    };

    using Dialogs::OpenFile;
    using Dialogs::SaveFile;
    std::optional<std::filesystem::path> OpenFile(const FileDialogTexts& texts,
                                                  const std::filesystem::path& start) override {
        return Answer(false, texts.title, start);
    }
    std::optional<std::filesystem::path> SaveFile(const FileDialogTexts& texts,
                                                  const std::filesystem::path& start) override {
        return Answer(true, texts.title, start);
    }

    std::optional<std::filesystem::path> ChooseFolder(int title,
                                                      const std::filesystem::path& start) override {
        return Answer(false, title, start);
    }
    std::deque<std::optional<std::filesystem::path>> answers;
    std::vector<Asked> asked;

  private:
    std::optional<std::filesystem::path> Answer(bool save, int firstText,
                                                const std::filesystem::path& start) {
        asked.push_back({save, firstText, start});
        if (answers.empty()) return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
};

}  // namespace vadrix::testing
