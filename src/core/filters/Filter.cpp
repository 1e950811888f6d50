#include "filters/Filter.h"

#include <cmath>
#include <fstream>
#include <system_error>
#include <utility>

#include "app/Context.h"
#include "common/FileWrite.h"
#include "common/TextIds.h"
#include "log/TelLog.h"

namespace vadrix {
namespace {

std::int32_t MaskOrAll(std::int32_t mask) {
    return mask == 0 ? 15 : mask;
}

// A bit of a mask for a source or data kind. A value outside the mask's range (a record
// without a source, a damaged kind) passes only a mask that lets everything through.
bool MaskHas(std::int32_t mask, int index) {
    if (index < 0 || index > 30) return (mask & 15) == 15;
    return ((mask >> index) & 1) != 0;
}

bool RowOn(const TFilterRow& row) {
    return row.RowMode != 0;
}

bool ExactlyOneStatusBox(const TFilterRecord& f) {
    return (f.ShowGood != 0) != (f.ShowFaulty != 0);
}

}  // namespace

void PrepareFilter(TFilterRecord& f) {
    f.RowCount = kFilterRows;
    for (int i = 0; i < kFilterRows; ++i) f.Rows[i].RowField = kRowFieldRecordNumber + i;
    if (f.ShowGood == 0 && f.ShowFaulty == 0) f.ShowGood = f.ShowFaulty = 1;
    f.SourceMask = MaskOrAll(f.SourceMask);
    f.DataKindMask = MaskOrAll(f.DataKindMask);
    bool active = f.FromEnabled != 0 || f.ToEnabled != 0 || ExactlyOneStatusBox(f) ||
                  f.SourceMask != kAllSources || f.DataKindMask != kAllDataKinds;
    for (const TFilterRow& row : f.Rows) active = active || RowOn(row);
    f.FilterActive = active ? 1 : 0;
    f.reserved200 = 0;
}

bool RowAccepts(const TFilterRow& row, std::int64_t value) {
    if (!RowOn(row)) return true;
    const std::int64_t v1 = row.RowValue1;
    const std::int64_t v2 = row.RowValue2;
    bool holds;
    if (row.RowCompare == 0)
        holds = value == v1;
    else if (row.RowCompare == 1)
        holds = value == v1 || value == v2;
    else if (v1 <= v2)
        holds = v1 <= value && value <= v2;
    else  // a range that wraps: from v1 upwards and up to v2
        holds = value >= v1 || value <= v2;
    return row.RowMode == 2 ? !holds : holds;
}

bool FilterAccepts(const TFilterRecord& f, const TTelegram& rec, std::uint32_t oldestSeqNo) {
    const std::int64_t first = oldestSeqNo != 0 ? oldestSeqNo : rec.SeqNo;
    if (!RowAccepts(f.Rows[0], std::int64_t{rec.SeqNo} - first + 1)) return false;
    // NaN times (a damaged record) fail an enabled time window.
    if (f.FromEnabled != 0 && !(rec.Time >= f.FromTime)) return false;
    if (f.ToEnabled != 0 && !(rec.Time <= f.ToTime)) return false;
    if (rec.Kind == kind::kEvent) return true;

    if (!MaskHas(MaskOrAll(f.SourceMask), rec.Source - 1)) return false;
    if (ExactlyOneStatusBox(f)) {
        const bool faulty = rec.Status < status::kGood;
        if (f.ShowGood != 0 && faulty) return false;
        if (f.ShowFaulty != 0 && !faulty) return false;
    }
    // Rows 2 to 4 and the data kinds mean something only for framed telegrams.
    if (rec.Status <= 11) return true;
    return RowAccepts(f.Rows[1], rec.FrameLen) &&
           MaskHas(MaskOrAll(f.DataKindMask), rec.DataKind) && RowAccepts(f.Rows[2], rec.Station) &&
           RowAccepts(f.Rows[3], rec.TelNo);
}

bool PassesDisplayFilter(const Context& ctx, const TTelegram& rec) {
    return ctx.log.PassesDisplayFilter(rec);
}

void InstallFilterTest(TTelLog& log) {
    log.SetFilterTest([&log](const TFilterRecord& f, const TTelegram& rec) {
        return FilterAccepts(f, rec, log.Directory().OldestSeqNo);
    });
}

bool ToggleDisplayFilter(Context& ctx) {
    TFilterRecord& f = ctx.general.DisplayFilter;
    if (f.FilterActive == 0) {
        ctx.ui.ShowMessage(ctx.Txt(txt::kFilterEmpty), MessageKind::kError, MessageButtons::kOk);
        return false;
    }
    f.FilterOn = f.FilterOn != 0 ? 0 : 1;
    ctx.ui.SetIndicator(Indicator::kFilters, f.FilterOn);
    ctx.ui.RequestRedraw();
    return true;
}

bool LoadFilterFile(const std::filesystem::path& file, TFilterRecord& f) {
    std::error_code ec;
    if (std::filesystem::file_size(file, ec) != sizeof(TFilterRecord) || ec) return false;
    std::ifstream in(file, std::ios::binary);
    TFilterRecord loaded;
    auto bytes = BytesOf(loaded);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.gcount() != static_cast<std::streamsize>(bytes.size())) return false;
    if (loaded.SizeMarker != TFilterRecord::kSizeMarker) return false;
    f = loaded;
    return true;
}

bool SaveFilterFile(const std::filesystem::path& file, TFilterRecord& f) {
    f.SizeMarker = TFilterRecord::kSizeMarker;
    return WriteWholeFile(file, BytesOf(std::as_const(f)));
}

}  // namespace vadrix
