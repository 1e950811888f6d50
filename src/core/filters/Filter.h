#pragma once
// The filters: the display filter decides which stored records are shown, printed and
// exported, the log filter which records are stored at all. Both use the same record and
// the same test.

#include <cstdint>
#include <filesystem>

#include "common/FilterRecord.h"
#include "log/Telegram.h"

namespace vadrix {

struct Context;
class TTelLog;

// The rows of the filter record and the field each one compares.
inline constexpr std::int32_t kRowFieldRecordNumber = 6;
inline constexpr std::int32_t kRowFieldFrameLength = 7;
inline constexpr std::int32_t kRowFieldStation = 8;
inline constexpr std::int32_t kRowFieldObject = 9;
inline constexpr std::int32_t kFilterRows = 4;
inline constexpr std::int32_t kAllSources = 15;
inline constexpr std::int32_t kAllDataKinds = 15;

// Normalises a record (row fields, masks, status boxes) and computes FilterActive.
void PrepareFilter(TFilterRecord& f);

// The test of one record. oldestSeqNo is the first sequence number of the log, from which
// row 1 counts the record number (0 for an empty log: the record itself is the first).
bool FilterAccepts(const TFilterRecord& f, const TTelegram& rec, std::uint32_t oldestSeqNo);

// One row's comparison, inverted for "is not"; true when the row is off.
bool RowAccepts(const TFilterRow& row, std::int64_t value);

// The display filter of the context: false for an empty record, true while the filter is not
// in force, else the test against the context's log.
bool PassesDisplayFilter(const Context& ctx, const TTelegram& rec);

// Plugs the filter test into a log store, counting record numbers from its oldest record.
void InstallFilterTest(TTelLog& log);

// The main window's toggle of the display filter: a filter that restricts nothing cannot be
// put in force (the user is told so, false); otherwise FilterOn flips and the window is asked
// to show it.
bool ToggleDisplayFilter(Context& ctx);

// A filter file holds exactly the 212-byte record with its size marker. Anything else is
// ignored: false, and f is left as it was.
bool LoadFilterFile(const std::filesystem::path& file, TFilterRecord& f);
// Sets the size marker and writes the record, creating or replacing the file.
bool SaveFilterFile(const std::filesystem::path& file, TFilterRecord& f);

}  // namespace vadrix
