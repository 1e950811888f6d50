#include "app/StatusDisplay.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "app/Context.h"
#include "common/Settings.h"
#include "common/TextFormat.h"
#include "common/TextIds.h"

namespace vadrix {

namespace {

// How many texts each list offers; a stored value outside is shown as its number rather
// than as some unrelated text.
constexpr int kModulations = 11;
constexpr int kCheckCodes = 3;
constexpr int kFunctions = 5;
constexpr int kParities = 5;
constexpr int kTrafficKinds = 2;

constexpr int kTelegramWidth = 10;
constexpr int kErrorWidth = 7;
constexpr int kMonitorHeightPx = 84;
constexpr int kDirectHeightPx = 64;
constexpr int kMaxColumnWidthPx = 2000;
constexpr std::array<int, kStatusPanels> kPanelWidths = {60, 136, 112, 140, 140, 200};

char ThousandsSeparator(const Context& ctx) {
    return ctx.settings.Language == 0 ? '.' : ',';
}

void Put(StatusCells& cells, int row, int column, std::string text) {
    if (text.size() > kStatusCellMax) text.resize(kStatusCellMax);
    cells[row][column] = std::move(text);
}

std::string ListItem(const Context& ctx, int base, std::int64_t index, int count) {
    std::string out;
    if (index >= 0 && index < count)
        out = ctx.Txt(base + static_cast<int>(index));
    else
        AppendInt(out, index);
    return out;
}

std::string Right(std::int64_t value, int width) {
    std::string out;
    AppendInt(out, value, width);
    return out;
}

std::string PortCell(const TEmSe& ch) {
    return ch.P.ComNumber == 0 ? std::string("  -") : Right(ch.P.ComNumber, 3);
}

int BaseText(int protocolVariant) {
    return DirectStatusLayout(protocolVariant) ? txt::kStatusTableDirectBase
                                               : txt::kStatusTableMonitorBase;
}

// Counter k lies in the row of its source; the direct layout has two sources per row.
StatusCell MonitorCounterCell(int source, bool errors) {
    constexpr std::array<int, 4> kRowOfSource = {2, 1, 3, 0};
    return {kRowOfSource[source - 1], errors ? 2 : 1};
}

StatusCell DirectCounterCell(int source, bool errors) {
    const int row = (source + 1) / 2;
    const int column = 1 + 2 * ((source - 1) % 2) + (errors ? 1 : 0);
    return {row, column};
}

void WriteCounter(const Context& ctx, StatusCells& cells, int k) {
    const auto cell = CounterCell(ctx.general.ProtocolVariant, k);
    if (!cell) return;
    const int width = k % 2 == 0 ? kTelegramWidth : kErrorWidth;
    Put(cells, cell->row, cell->column,
        CounterText(ctx.log.Counter(k), width, ThousandsSeparator(ctx)));
}

void WriteMonitorParameters(const Context& ctx, StatusCells& cells) {
    const TEmSe& ch = ctx.emse1;
    const std::array<const TLineParams*, 3> lines = {&ch.P.Line[1], &ch.P.Line[0], &ch.P.Line[2]};
    for (int row = 1; row <= 3; ++row) {
        const TLineParams& l = *lines[row - 1];
        Put(cells, row, 3, ListItem(ctx, txt::kModulationItemBase, l.Mv, kModulations));
        Put(cells, row, 4, ListItem(ctx, txt::kCheckCodeItemBase, l.CheckCode, kCheckCodes));
        std::string lock = Right(l.SpZt, 4);
        if (l.SpPl == 0) lock += '-';
        if (l.SpPl == 1) lock += '+';
        Put(cells, row, 5, lock);
        Put(cells, row, 6, row == 1 ? std::string("   -") : Right(l.Tol, 4));
        Put(cells, row, 7, PortCell(ch));
        Put(cells, row, 8, Right(l.BitRate, 5));
        // The receive line E2 has no function of its own.
        Put(cells, row, 9,
            row == 3 ? std::string(ctx.Txt(txt::kFunctionItemBase))
                     : ListItem(ctx, txt::kFunctionItemBase, ch.P.Function, kFunctions));
        Put(cells, row, 10,
            ListItem(ctx, txt::kTrafficCellBase, ctx.general.TrafficKind, kTrafficKinds));
    }
}

void WriteDirectParameters(const Context& ctx, StatusCells& cells) {
    const std::array<const TEmSe*, 2> channels = {&ctx.emse1, &ctx.emse2};
    for (int row = 1; row <= 2; ++row) {
        const TEmSe& ch = *channels[row - 1];
        Put(cells, row, 5, Right(ch.P.LockTimeMs, 5));
        Put(cells, row, 6, ListItem(ctx, txt::kParityItemBase, ch.P.Parity, kParities));
        Put(cells, row, 7, PortCell(ch));
        Put(cells, row, 8, Right(ch.P.Baud, 6));
        Put(cells, row, 9, ListItem(ctx, txt::kFunctionItemBase, ch.P.Function, kFunctions));
        Put(cells, row, 10,
            ListItem(ctx, txt::kTrafficCellBase, ctx.general.TrafficKind, kTrafficKinds));
    }
}

// Names stored by a program on another system may use backslashes.
std::string FileNamePart(const std::filesystem::path& p) {
    const std::string s = p.string();
    const std::size_t slash = s.find_last_of("/\\");
    return slash == std::string::npos ? s : s.substr(slash + 1);
}

std::string Utf8Txt(const Context& ctx, int n) {
    return Cp1252ToUtf8(ctx.Txt(n));
}

}  // namespace

bool DirectStatusLayout(int protocolVariant) {
    return protocolVariant == 2;
}

StatusTableLayout SetupStatusTable(const Context& ctx, StatusCells& cells) {
    const int variant = ctx.general.ProtocolVariant;
    const int base = BaseText(variant);
    StatusTableLayout layout;
    layout.dataRows = DirectStatusLayout(variant) ? 2 : 3;
    layout.heightPx = DirectStatusLayout(variant) ? kDirectHeightPx : kMonitorHeightPx;
    for (auto& row : cells) row.fill(std::string());
    for (int row = 1; row < kStatusRows; ++row)
        Put(cells, row, 0, std::string(ctx.Txt(base + row - 1)));
    layout.widthPx = 4;
    for (int c = 0; c < kStatusColumns; ++c) {
        const std::string_view text = ctx.Txt(base + 3 + c);
        const std::size_t comma = text.find(',');
        const std::string_view number = text.substr(0, comma);
        int width = 0;
        const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), width);
        if (ec != std::errc() || width < 0) width = 0;
        width = std::min(width, kMaxColumnWidthPx);  // a bad text must not overflow the sum
        (void)end;
        layout.columnWidths[c] = width;
        layout.widthPx += width;
        Put(cells, 0, c,
            comma == std::string_view::npos ? std::string() : std::string(text.substr(comma + 1)));
    }
    return layout;
}

std::string CounterText(std::uint32_t value, int width, char sep) {
    std::string out;
    AppendGrouped(out, value, sep, width);
    return out;
}

std::optional<StatusCell> CounterCell(int protocolVariant, int k) {
    if (k < 0 || k >= TTelLog::kCounters) return std::nullopt;
    const int source = k / 2 + 1;
    const bool errors = k % 2 == 1;
    if (DirectStatusLayout(protocolVariant)) return DirectCounterCell(source, errors);
    // The monitor device has three lines; source 4 has no row.
    if (source == 4) return std::nullopt;
    return MonitorCounterCell(source, errors);
}

void FillStatusTable(const Context& ctx, StatusCells& cells) {
    for (int k = 0; k < TTelLog::kCounters; ++k) WriteCounter(ctx, cells, k);
    if (DirectStatusLayout(ctx.general.ProtocolVariant))
        WriteDirectParameters(ctx, cells);
    else
        WriteMonitorParameters(ctx, cells);
}

std::optional<StatusCell> UpdateCounterCell(const Context& ctx, StatusCells& cells, int k) {
    if (ctx.settings.OnlineDisplay == 0) return std::nullopt;
    const auto cell = CounterCell(ctx.general.ProtocolVariant, k);
    if (cell) WriteCounter(ctx, cells, k);
    return cell;
}

StatusPanel StatusBarPanel(const Context& ctx, int panel) {
    StatusPanel p;
    if (panel < 0 || panel >= kStatusPanels) return p;
    p.widthPx = kPanelWidths[panel];
    const auto on = [](std::uint8_t v) { return v != 0 ? 1 : 0; };
    switch (panel) {
        case 0: {
            const int online = on(ctx.settings.Online);
            p.text = Utf8Txt(ctx, txt::kOnlineStateBase + online);
            p.background = online ? kPanelOnline : kPanelSkyBlue;
            if (online) p.foreground = kPanelBlack;
            break;
        }
        case 1: {
            const int display = on(ctx.settings.OnlineDisplay);
            p.text = Utf8Txt(ctx, txt::kDisplayPanelBase + display);
            if (display) p.background = kPanelMoneyGreen;
            break;
        }
        case 2:
        case 3: {
            const TFilterRecord& f = panel == 2 ? ctx.general.LogFilter : ctx.general.DisplayFilter;
            const int active = on(f.FilterOn);
            p.text = Utf8Txt(ctx, panel == 2 ? txt::kLogFilterPanel : txt::kDisplayFilterPanel);
            p.text += Utf8Txt(ctx, txt::kFilterStateBase + active);
            if (active) p.background = kPanelSkyBlue;
            break;
        }
        case 4:
            p.text = Utf8Txt(ctx, txt::kLogPanel);
            p.text += FileNamePart(ctx.run.LogFilePath);
            break;
        case 5:
            p.text = Utf8Txt(ctx, txt::kDescPanel);
            p.text += FileNamePart(StoredFileName(ctx.settings.DescriptionFile));
            p.ownerDrawn = false;
            break;
    }
    return p;
}

}  // namespace vadrix
