#pragma once
// The dump of a log on every core. The main thread reads the records that pass the display
// filter in blocks and writes the finished blocks in order; worker threads render the blocks
// meanwhile. Rendering a block needs nothing of the blocks before it except the previous-time
// cell (the " d=" part of a header line), and only the first header line of a block depends
// on it: that one record is rendered again, in order, when its block is written.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "log/Telegram.h"
#include "output/Output.h"

namespace vadrix {
struct Context;
}

namespace vadrix::cli {

// Renders records; each worker has its own.
class RecordRenderer {
  public:
    virtual ~RecordRenderer() = default;
    // Appends the output of one record, rendered after a record whose header line left
    // previousTime in the previous-time cell; returns the cell after this record.
    virtual double Render(const TTelegram& rec, std::int64_t runningNumber, double previousTime,
                          std::string& out) = 0;
};

struct DumpPipelineOptions {
    std::function<std::unique_ptr<RecordRenderer>()> makeRenderer;
    // The text around the records: a heading before them, a date line before the first
    // record of each new day, the end text after them. Without it only the records.
    bool textFrame = false;
    InterpretSettings interpret;  // format and date style of the text frame
    std::string headingName;      // the log's name in the page heading
    // Told the percentage written as the blocks go out; true cancels.
    std::function<bool(int percent)> progress;
    std::size_t blockRecords = 4096;
    int workers = 0;  // 0: one per core
};

// Takes the output in pieces, in order; false when a piece could not be written.
using DumpSink = std::function<bool(std::string_view bytes)>;

// Writes the dump of the context's log into the sink.
OutputResult RunDumpPipeline(Context& ctx, const DumpSink& out, const DumpPipelineOptions& options);

// The line generator's lines of a record as text: UTF-8, each with its line end, and an
// empty line after a record that had lines (not in the export format).
std::unique_ptr<RecordRenderer> MakeTextRenderer(const Context& ctx, const Descriptions* desc,
                                                 const InterpretSettings& s);
// One JSON object a line: the record and the lines the generator renders for it.
std::unique_ptr<RecordRenderer> MakeJsonRenderer(const Context& ctx, const Descriptions* desc,
                                                 const InterpretSettings& s);

}  // namespace vadrix::cli
