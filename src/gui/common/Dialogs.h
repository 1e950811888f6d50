#pragma once
// The file dialogs the main window asks; messages go through the core's UserInterface. The
// window talks to this seam so that tests can answer in its place.

#include <filesystem>
#include <optional>

namespace vadrix {

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // firstText: the dialog's title; the next two texts are its filter and default
    // extension. nullopt when the user cancels.
    virtual std::optional<std::filesystem::path> OpenFile(int firstText,
                                                          const std::filesystem::path& start) = 0;
    virtual std::optional<std::filesystem::path> SaveFile(int firstText,
                                                          const std::filesystem::path& start) = 0;
};

}  // namespace vadrix
