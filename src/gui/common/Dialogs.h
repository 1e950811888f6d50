#pragma once
// The file dialogs the main window asks; messages go through the core's UserInterface. The
// window talks to this seam so that tests can answer in its place.

#include <filesystem>
#include <optional>

namespace vadrix {

// The texts of a file dialog: its title, its filter ("name|pattern|..."), its default
// extension.
struct FileDialogTexts {
    int title = 0;
    int filter = 0;
    int extension = 0;
    // A title followed by its filter and its extension.
    static FileDialogTexts From(int firstText) { return {firstText, firstText + 1, firstText + 2}; }
};

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // start: the folder, or a file name in it. nullopt when the user cancels. Saving asks
    // before a file is overwritten.
    virtual std::optional<std::filesystem::path> OpenFile(const FileDialogTexts& texts,
                                                          const std::filesystem::path& start) = 0;
    virtual std::optional<std::filesystem::path> SaveFile(const FileDialogTexts& texts,
                                                          const std::filesystem::path& start) = 0;
    // A folder of the file system; title is a text number.
    virtual std::optional<std::filesystem::path> ChooseFolder(
        int title, const std::filesystem::path& start) = 0;
    std::optional<std::filesystem::path> OpenFile(int firstText,
                                                  const std::filesystem::path& start) {
        return OpenFile(FileDialogTexts::From(firstText), start);
    }
    std::optional<std::filesystem::path> SaveFile(int firstText,
                                                  const std::filesystem::path& start) {
        return SaveFile(FileDialogTexts::From(firstText), start);
    }
};

}  // namespace vadrix
