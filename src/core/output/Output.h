#pragma once
// The output run: the whole log, as far as the display filter lets records pass, written
// into a text file (the lines of the screen), on a printer, or into a new log file with
// fresh running numbers.

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "interpret/LineGenerator.h"

namespace vadrix {

struct Context;
class Descriptions;
class PageCanvas;

// The order of the dialog's choice list.
enum class OutputKind : int { kTextFile = 0, kPrinter = 1, kLogFile = 2 };

enum class OutputResult {
    kDone,
    kCancelled,      // the text or log file keeps what was written and is finished
    kLiveLogTarget,  // refused: the target is the live log (the user has been told)
    kTargetFailed,   // the file or the print job could not be begun; nothing was written
    kWriteFailed,    // a line or block could not be written; a target file stays as it was
    kLogUnreadable,  // the view on the log could not be opened (the user has been told)
    kLogReadFailed,  // blocks of the log could not be read (the user has been told); the
                     // target keeps what was read and is finished
};

struct OutputOptions {
    // Format, time line and variant of the lines; the screen's settings by default.
    InterpretSettings interpret;
    const Descriptions* descriptions = nullptr;
    // The log's name in the page heading; empty: the live log's file name.
    std::string headingName;
    // Told the percentage done, every 100 records; returning true cancels the output.
    std::function<bool(int percent)> progress;
    // The printer for OutputKind::kPrinter.
    PageCanvas* printer = nullptr;
};

// The name the dialog's file choice becomes: without a folder it goes into the data
// directory; the log-file output takes the log extension, a text file without an extension
// gets ".txt".
std::filesystem::path OutputTargetName(const Context& ctx, const std::filesystem::path& typed,
                                       OutputKind kind);
// Whether a file is the live log (the same file, or the same name without regard to case).
bool IsLiveLogFile(const Context& ctx, const std::filesystem::path& file);

// The output run on the context's log into a text file, or a log file with the context's
// general parameters and channel blocks in its header. The file takes the target's place
// when the output is done or cancelled; otherwise an existing target stays as it was.
OutputResult WriteLog(Context& ctx, const std::filesystem::path& file, OutputKind kind,
                      const OutputOptions& options);
// The text output into a stream that is already open (the tools' standard output). The
// stream is flushed, not closed.
OutputResult WriteLogText(Context& ctx, std::FILE* out, const OutputOptions& options);

// The description line of the log: display mode, filter, format and time line.
std::string DescriptionLine(const Context& ctx, const InterpretSettings& s);
// The short date of a stored time, as the lines show it: "dd.mm.yyyy" or "mm/dd/yyyy".
std::string ShortDate(double time, bool dayFirst = true);

}  // namespace vadrix
