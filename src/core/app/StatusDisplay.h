#pragma once
// What the channel status table and the six panels of the status bar show: texts and
// colours only, so the windows just draw them.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace vadrix {

struct Context;

inline constexpr int kStatusRows = 4;              // the header row and up to three data rows
inline constexpr int kStatusColumns = 11;          // column 0 holds the row labels
inline constexpr std::size_t kStatusCellMax = 15;  // longer cell texts are cut
inline constexpr int kStatusPanels = 6;

// Cells hold CP1252 texts, as the text table does.
using StatusCells = std::array<std::array<std::string, kStatusColumns>, kStatusRows>;

// Headers, row labels and sizes of the table for the protocol variant in force.
struct StatusTableLayout {
    int dataRows = 3;
    int heightPx = 84;
    int widthPx = 4;
    std::array<int, kStatusColumns> columnWidths{};
};

struct StatusCell {
    int row = 0;
    int column = 0;
};

// The direct variant shows both channels in two rows; every other variant shows the three
// lines of the monitor device.
bool DirectStatusLayout(int protocolVariant);

// Writes the header row and the row labels into cells and gives the column widths. A column
// text is "width,header"; without a comma the whole text is the width.
StatusTableLayout SetupStatusTable(const Context& ctx, StatusCells& cells);

// A counter value right-aligned in width characters, groups of three joined by sep.
std::string CounterText(std::uint32_t value, int width, char sep);

// The cell of counter k (0..7: telegrams and errors of sources 1..4), none where the table
// of this variant has no place for it.
std::optional<StatusCell> CounterCell(int protocolVariant, int k);

// Writes every counter and parameter cell (the header row is SetupStatusTable's).
void FillStatusTable(const Context& ctx, StatusCells& cells);

// The log's notification of counter k (-1: all changed). Only the online display follows
// the counters; returns the cell rewritten, none when nothing was touched.
std::optional<StatusCell> UpdateCounterCell(const Context& ctx, StatusCells& cells, int k);

// Colours are 0x00BBGGRR; an empty colour is the system's menu colour (background) or menu
// text colour (text).
struct StatusPanel {
    std::string text;  // UTF-8
    int widthPx = 0;
    bool ownerDrawn = true;
    std::optional<std::uint32_t> background;
    std::optional<std::uint32_t> foreground;
};

inline constexpr std::uint32_t kPanelOnline = 0x00FF00;
inline constexpr std::uint32_t kPanelBlack = 0x000000;
inline constexpr std::uint32_t kPanelSkyBlue = 0xA6CAF0;
inline constexpr std::uint32_t kPanelMoneyGreen = 0xC0DCC0;
inline constexpr int kPanelTextLeft = 4;  // drawn text starts this far right of the corner
inline constexpr int kPanelTextTop = 2;   // and this far below it

StatusPanel StatusBarPanel(const Context& ctx, int panel);

}  // namespace vadrix
