#pragma once
// The persistent user settings: one 3792-byte record stored as a file in the data directory.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

#include "common/Bytes.h"

namespace vadrix {

#pragma pack(push, 1)

// Font size, spacing and colours of the log view; it has a version word of its own.
struct alignas(4) TViewBlock {
    static constexpr std::int32_t kVersion = 1;
    std::int32_t FontSize = 9;
    std::int32_t Version = kVersion;
    std::int32_t FocusIndex = 0;
    std::int32_t SpacingPercent = 50;
    // (text colour, background colour): E1, S1, E2, S2, events and headings, faulty telegrams
    std::uint8_t Colours[6][2] = {{2, 15}, {1, 15}, {4, 15}, {7, 15}, {16, 15}, {3, 15}};
    std::uint8_t reserved28[8]{};
};

struct alignas(4) TSettings {
    static constexpr std::uint32_t kMagic = 0x51050005;
    static constexpr std::uint32_t kSize = 3792;
    static constexpr std::uint32_t kVersion = 16;
    static constexpr int kOptionCount = 16;
    static constexpr int kHistorySlots = 8;

    std::uint32_t Magic = kMagic;
    std::uint32_t RecordSize = kSize;
    std::uint32_t RecordVersion = kVersion;
    std::uint32_t reserved12 = 0;
    std::int32_t DisplayFormat = 3;
    std::uint32_t reserved20 = 0;
    std::int32_t Language = 0;  // 0 German, 1 English
    std::uint8_t Options[kOptionCount] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0};
    std::int32_t PrintKind = 0;
    std::int32_t PrintSelection1 = 0;
    std::int32_t PrintSelection2 = 0;
    std::int32_t HistoryCount = 0;
    std::int32_t WindowTop = 0;
    std::int32_t WindowLeft = 0;
    std::int32_t WindowHeight = 0;
    std::int32_t WindowWidth = 0;
    std::int32_t WindowState = 0;  // 1 normal, 2 minimised, 3 maximised, 0 never saved
    TViewBlock View{};
    std::uint8_t reserved116[88]{};
    std::uint8_t Online = 0;
    std::uint8_t OnlineDisplay = 1;
    std::uint8_t DisplayFlag = 1;
    std::uint8_t reserved207 = 0;
    PString<256> DataDirHint{};
    PString<256> AuxFileName{};
    PString<256> History[kHistorySlots]{};
    PString<256> DescriptionFile{};
    PString<256> EditorFile{};
    PString<256> FwpFileName{};
    std::uint8_t reserved3536[256]{};

    // Options with a fixed meaning elsewhere.
    static constexpr int kOptPortDialog = 9;
    static constexpr int kOptScrollOnline = 10;  // off: the online display wraps
    static constexpr int kOptCounterIncrement = 11;
    static constexpr int kOptTimeTags = 12;
    static constexpr int kOptDailyLog = 13;
    bool Option(int i) const { return i >= 0 && i < kOptionCount && Options[i] != 0; }
};

#pragma pack(pop)

static_assert(sizeof(TViewBlock) == 36);
static_assert(offsetof(TViewBlock, Version) == 4);
static_assert(offsetof(TViewBlock, SpacingPercent) == 12);
static_assert(offsetof(TViewBlock, Colours) == 16);
static_assert(offsetof(TViewBlock, reserved28) == 28);

static_assert(sizeof(TSettings) == TSettings::kSize);
static_assert(offsetof(TSettings, RecordSize) == 4);
static_assert(offsetof(TSettings, RecordVersion) == 8);
static_assert(offsetof(TSettings, DisplayFormat) == 16);
static_assert(offsetof(TSettings, Language) == 24);
static_assert(offsetof(TSettings, Options) == 28);
static_assert(offsetof(TSettings, Options) + TSettings::kOptDailyLog == 41);
static_assert(offsetof(TSettings, PrintKind) == 44);
static_assert(offsetof(TSettings, PrintSelection1) == 48);
static_assert(offsetof(TSettings, PrintSelection2) == 52);
static_assert(offsetof(TSettings, HistoryCount) == 56);
static_assert(offsetof(TSettings, WindowTop) == 60);
static_assert(offsetof(TSettings, WindowLeft) == 64);
static_assert(offsetof(TSettings, WindowHeight) == 68);
static_assert(offsetof(TSettings, WindowWidth) == 72);
static_assert(offsetof(TSettings, WindowState) == 76);
static_assert(offsetof(TSettings, View) == 80);
static_assert(offsetof(TSettings, View) + offsetof(TViewBlock, Version) == 84);
static_assert(offsetof(TSettings, reserved116) == 116);
static_assert(offsetof(TSettings, Online) == 204);
static_assert(offsetof(TSettings, OnlineDisplay) == 205);
static_assert(offsetof(TSettings, DisplayFlag) == 206);
static_assert(offsetof(TSettings, DataDirHint) == 208);
static_assert(offsetof(TSettings, AuxFileName) == 464);
static_assert(offsetof(TSettings, History) == 720);
static_assert(offsetof(TSettings, DescriptionFile) == 2768);
static_assert(offsetof(TSettings, EditorFile) == 3024);
static_assert(offsetof(TSettings, FwpFileName) == 3280);
static_assert(offsetof(TSettings, reserved3536) == 3536);
static_assert(StoredRecord<TSettings>);

// Takes over a stored settings record if it is valid: exactly 3792 bytes, magic, record size
// and version 16. A view block with another version word is reset to its defaults.
bool TakeOverSettings(TSettings& dst, std::span<const std::uint8_t> stored);
// Reads the settings file; a missing or invalid file leaves dst unchanged.
bool ReadSettingsFile(const std::filesystem::path& file, TSettings& dst);
// Writes the record as one block; false when the file cannot be written whole.
bool WriteSettingsFile(const std::filesystem::path& file, const TSettings& s);

// File names in the settings are UTF-8, cut at a whole character when longer than their
// field. A stored name that is not UTF-8 (a settings file with CP1252 names) reads as CP1252.
void StoreFileName(PString<256>& field, const std::filesystem::path& file);
std::filesystem::path StoredFileName(const PString<256>& field);

}  // namespace vadrix
