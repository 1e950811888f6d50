#pragma once
// The general parameters as the general settings dialog leaves them, taken over by the
// running program: offline first (when the user agrees), the record, the log's new size
// when the user agrees to lose the log, both channels and both filters set up again, and the
// data files moved along with a new data directory.

#include <filesystem>
#include <functional>

#include "app/Engine.h"

namespace vadrix {

enum class GeneralChange { kNothing, kRefused, kApplied };

struct GeneralChangeHooks {
    // A question of the text table: true for Yes.
    std::function<bool(int text)> askYesNo;
    // The settings are written (the data directory is part of them).
    std::function<void()> saveSettings;
};

GeneralChange ApplyGeneralParams(Context& ctx, Engine& engine, const TGeneralParams& edited,
                                 const std::filesystem::path& dataDirectory,
                                 const GeneralChangeHooks& hooks);

}  // namespace vadrix
