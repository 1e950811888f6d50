#pragma once
// One log record as one JSON object on one line (JSON Lines): its stored fields, readable
// forms of time, source and status, the frame in hex and the lines the line generator
// rendered for it. Texts come as CP1252 and leave as UTF-8.

#include <cstdint>
#include <string>
#include <vector>

#include "log/Telegram.h"

namespace vadrix {
struct Context;
}

namespace vadrix::cli {

// Renders records one after another into a growing output, allocating nothing of its own
// for the usual record: numbers and plain ASCII texts are written as they are, and only a
// text that needs escaping goes through the JSON library.
class JsonRecordWriter {
  public:
    explicit JsonRecordWriter(const Context& ctx) : ctx_(ctx) {}

    // Appends the object of one record (no line end); runningNumber is the number the user
    // sees, lines are the generator's lines in CP1252.
    void Append(std::string& out, const TTelegram& rec, std::int64_t runningNumber,
                const std::vector<std::string>& lines);

  private:
    const Context& ctx_;
};

// The object of one record as a string.
std::string JsonRecord(const Context& ctx, const TTelegram& rec, std::int64_t runningNumber,
                       const std::vector<std::string>& lines);

}  // namespace vadrix::cli
