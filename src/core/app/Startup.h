#pragma once
// The common start of every executable: program directory, texts, instance slot, data
// directory and settings, texts in the stored language, send defaults and channel baud rates.

#include "app/Context.h"
#include "common/Platform.h"

namespace vadrix {

enum class StartOutcome {
    kRun,
    kTextTableFailed,  // the message has been shown; end with kExitTextTable
    kNoInstance,       // two copies run already; end without a window
};

inline constexpr int kExitTextTable = 99;

StartOutcome InitCommon(Context& ctx, Platform& platform);

// Channel 1 takes its baud rate from the baud list text of its index; channel 2 starts as a
// copy of channel 1 with its own sources and station; both filters are prepared.
void SetUpChannels(Context& ctx);

}  // namespace vadrix
