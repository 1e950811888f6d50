#pragma once
// One log record as one JSON object on one line (JSON Lines): its stored fields, readable
// forms of time, source and status, the frame in hex and the lines the line generator
// rendered for it. Texts come as CP1252 and leave as UTF-8.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "log/Telegram.h"

namespace vadrix {
struct Context;
}

namespace vadrix::cli {

// Renders records one after another; keeps its JSON object between records so that a
// long run allocates little.
class JsonRecordWriter {
  public:
    explicit JsonRecordWriter(const Context& ctx);
    ~JsonRecordWriter();
    JsonRecordWriter(const JsonRecordWriter&) = delete;
    JsonRecordWriter& operator=(const JsonRecordWriter&) = delete;

    // Appends the object of one record (no line end); runningNumber is the number the user
    // sees, lines are the generator's lines in CP1252.
    void Append(std::string& out, const TTelegram& rec, std::int64_t runningNumber,
                const std::vector<std::string>& lines);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The object of one record as a string.
std::string JsonRecord(const Context& ctx, const TTelegram& rec, std::int64_t runningNumber,
                       const std::vector<std::string>& lines);

}  // namespace vadrix::cli
