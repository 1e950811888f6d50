#pragma once
// What every fuzz target shares: a fresh context with fake seams per input, the texts read
// once, and a temporary folder of this process for readers that insist on a file name.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string_view>

#include "app/Context.h"
#include "common/TextTable.h"
#include "log/Telegram.h"
#include "support/FakeClock.h"
#include "support/FakeEventLoop.h"
#include "support/FakeUserInterface.h"

namespace vadrix::fuzz {

// The English language file of the source tree, read once; contexts copy it.
const TTextTable& Texts();

// A context with fake clock, loop and user interface and the English texts; one per input,
// so that nothing one input changed reaches the next.
struct FuzzContext {
    FuzzContext();
    // The same on the caller's clock and loop, for targets that run on a clock of their own.
    FuzzContext(Clock& clock, EventLoop& loop);
    ~FuzzContext();
    FuzzContext(const FuzzContext&) = delete;
    FuzzContext& operator=(const FuzzContext&) = delete;
    testing::FakeClock clock;
    testing::FakeEventLoop loop{clock};
    testing::FakeUserInterface ui;
    Context* ctx = nullptr;

    Context& operator*() { return *ctx; }
    Context* operator->() { return ctx; }

  private:
    void Build(Clock& clock, EventLoop& loop);
    bool inSlot_ = false;
};

// A folder of this process, created on first use and removed when the process ends.
const std::filesystem::path& TempFolder();

// Writes the bytes to the file of that name in the temporary folder, replacing it.
std::filesystem::path WriteTemp(std::string_view name, std::span<const std::uint8_t> bytes);

// A good variable-length telegram of six data bytes from channel 1, telegram number 0x200,
// for targets that put what they read to use on a record.
TTelegram SampleTelegram();

// Stops the run with a report when a property the code promises does not hold.
void Require(bool holds, const char* what);

}  // namespace vadrix::fuzz
