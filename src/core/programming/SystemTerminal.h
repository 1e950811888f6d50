#pragma once
// The system-operation terminal without its window: typed keys go to channel 1's port as
// single bytes, and what channel 1 receives in mode 3 becomes lines of text.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/Context.h"

namespace vadrix {

class SystemTerminal {
  public:
    // Longest line kept before the text goes on in a new one, and most lines kept.
    static constexpr std::size_t kMaxLineLength = 1024;
    static constexpr std::size_t kMaxLines = 5000;

    // Takes the bytes channel 1 receives in mode 3 for as long as it lives.
    explicit SystemTerminal(Context& ctx);
    ~SystemTerminal();
    SystemTerminal(const SystemTerminal&) = delete;
    SystemTerminal& operator=(const SystemTerminal&) = delete;

    // LF starts a new line, CR is ignored, any other character goes on the last line.
    void SystemOperationReceive(std::uint8_t c);
    // A typed character (its code point): upper case, and sent as one byte when below 127;
    // the key itself never goes into the text. True when a byte was sent.
    bool TypeKey(char32_t key);

    // The text shown, CP1252; there is always at least one (possibly empty) line.
    const std::vector<std::string>& Lines() const { return lines_; }
    // Called after each change of the text.
    std::function<void()> changed;

  private:
    Context& ctx_;
    std::vector<std::string> lines_{std::string()};
};

}  // namespace vadrix
