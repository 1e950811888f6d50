// The function items of the programming window: files, compare, listing, station parameters
// and the frame every item runs in.

#include <algorithm>
#include <array>
#include <cstring>

#include "common/Settings.h"
#include "common/TextFormat.h"
#include "common/TextIds.h"
#include "common/TextTable.h"
#include "programming/FwpFile.h"
#include "programming/Programming.h"

namespace vadrix {

namespace {

constexpr std::uint16_t kStationParamsStart = 0xEFF0;
constexpr std::size_t kCompareBlock = 4096;
constexpr int kMaxDifferences = 1000;
constexpr std::uint32_t kListingColumns = 16;

void AppendHex4(std::string& out, unsigned v) {
    AppendHex2(out, (v >> 8) & 0xFF);
    AppendHex2(out, v & 0xFF);
}

}  // namespace

// ---- the item frame ------------------------------------------------------------------------

std::string Programming::ItemCaption(PgItem item) const {
    // The items take the menu texts in their order; separators have texts of their own.
    static constexpr std::array<int, 7> kOffsets = {0, 2, 3, 5, 6, 8, 9};
    const int tag = static_cast<int>(item);
    if (tag < 1 || tag > static_cast<int>(kOffsets.size())) return {};
    std::string caption = Txt(txt::kPgMenuBase + kOffsets[static_cast<std::size_t>(tag - 1)]);
    std::erase(caption, '&');
    return caption;
}

bool Programming::ItemEnabled(PgItem item) const {
    switch (item) {
        case PgItem::kWriteDevice:
        case PgItem::kSaveFile:
        case PgItem::kShowImage:
            return image_.header.Length > 0;
        default:
            return true;
    }
}

void Programming::RunItem(PgItem item) {
    view_.SetAddressLabel("");
    view_.ClearLines();
    error_ = false;
    const std::string caption = ItemCaption(item);
    LogLine(caption);
    const std::filesystem::path lastFile = StoredFileName(ctx_.settings.FwpFileName);
    switch (item) {
        case PgItem::kStationParams:
            EditStationParameters();
            break;
        case PgItem::kReadDevice:
            if (dialogs_.askRange) {
                const auto typed =
                    dialogs_.askRange(Txt(txt::kRangeCaption), Txt(txt::kRangePrompt), lastRange_);
                if (typed) ReadDeviceRange(*typed);
            }
            break;
        case PgItem::kWriteDevice:
            WriteToDevice();
            break;
        case PgItem::kReadFile:
        case PgItem::kCompare:
            if (dialogs_.openFile) {
                const auto file = dialogs_.openFile(Txt(txt::kFwpOpenTitle), lastFile);
                if (file && item == PgItem::kReadFile) ReadImageFile(*file);
                if (file && item == PgItem::kCompare) CompareWithFile(*file);
            }
            break;
        case PgItem::kSaveFile:
            if (image_.header.Length == 0) {
                ErrorLine(Txt(txt::kNoImage));
            } else if (dialogs_.saveFile) {
                const auto file = dialogs_.saveFile(Txt(txt::kFwpSaveTitle), lastFile);
                if (file) SaveImageFile(*file);
            }
            break;
        case PgItem::kShowImage:
            ShowImage();
            break;
    }
    if (error_) {
        LogLine(Txt(txt::kCommandFailed));
    } else if (item != PgItem::kShowImage) {
        view_.ClearLines();
        LogLine(caption + Txt(txt::kCommandDone));
    }
    PlainLine("");
    view_.SetImageStatus(ImageStatusText());
    PlainLine(Txt(txt::kChooseFunction));
}

// ---- the image -----------------------------------------------------------------------------

std::string Programming::ImageStatusText() {
    TFwpHeader& h = image_.header;
    std::string s = Txt(txt::kImageStatus);
    if (h.Length == 0) return s + Txt(txt::kImageEmpty);
    h.Checksum = image_.Sum();
    AppendHex4(s, h.Start);
    s += '-';
    AppendHex4(s, (h.Start + h.Length - 1u) & 0xFFFF);
    s += Txt(txt::kImageChecksum);
    AppendHex2(s, h.Checksum & 0xFF);
    return s;
}

std::vector<std::string> Programming::ImageListing() const {
    // Lines of 16 addresses aligned to multiples of 16; places before Start stay blank.
    std::vector<std::string> lines;
    const std::uint32_t start = image_.header.Start;
    const std::uint32_t end = start + image_.Bytes().size();
    for (std::uint32_t line = start & ~(kListingColumns - 1); line < end; line += kListingColumns) {
        std::string s;
        AppendHex4(s, line & 0xFFFF);
        s += "  ";
        for (std::uint32_t a = line; a < std::min(line + kListingColumns, end); ++a) {
            if (a < start) {
                s += "    ";
            } else {
                s += "  ";
                AppendHex2(s, image_.data[a - start]);
            }
        }
        lines.push_back(std::move(s));
    }
    return lines;
}

void Programming::ShowImage() {
    view_.ClearLines();
    view_.SetAddressLabel(Txt(txt::kImageHeading));
    for (const std::string& line : ImageListing()) PlainLine(line);
}

// ---- files ---------------------------------------------------------------------------------

std::string Programming::FileText(const std::filesystem::path& file) const {
    return Utf8ToCp1252(file.string());
}

bool Programming::LoadFile(const std::filesystem::path& file) {
    FwpFileContents contents;
    const FwpFileError err = ReadFwpFile(file, contents);
    if (err != FwpFileError::kNone) {
        // A refused file leaves no image, and the last file name stays.
        image_.Clear();
        if (err == FwpFileError::kUnreadable)
            ErrorLine(Txt(txt::kFileReadError) + FileText(file));
        else
            ErrorLine(Txt(txt::kNotFwpFile));
        ctx_.ui.ShowMessage(ctx_.Txt(txt::kFwpReadFailed), MessageKind::kError,
                            MessageButtons::kOk);
        return false;
    }
    image_.header = contents.header;
    std::copy(contents.data.begin(), contents.data.end(), image_.data.begin());
    StoreFileName(ctx_.settings.FwpFileName, file);
    LogLine(Txt(txt::kFileRead) + FileText(file));
    return true;
}

bool Programming::ReadImageFile(const std::filesystem::path& file) {
    return LoadFile(file);
}

bool Programming::SaveImageFile(const std::filesystem::path& file) {
    if (image_.header.Length == 0) {
        ErrorLine(Txt(txt::kNoImage));
        return false;
    }
    image_.header.Checksum = image_.Sum();
    if (!WriteFwpFile(file, image_)) {
        ErrorLine(Txt(txt::kFwpWriteFailed));
        ctx_.ui.ShowMessage(ctx_.Txt(txt::kFwpWriteFailed), MessageKind::kError,
                            MessageButtons::kOk);
        return false;
    }
    StoreFileName(ctx_.settings.FwpFileName, file);
    LogLine(Txt(txt::kFileSaved) + FileText(file));
    return true;
}

bool Programming::CompareWithFile(const std::filesystem::path& file) {
    if (!LoadFile(file)) return false;
    const TFwpHeader fileHeader = image_.header;
    bool equal = true;
    bool finished = true;
    int differences = 0;
    int block = 1;
    for (std::size_t offset = 0; offset < fileHeader.Length && finished; offset += kCompareBlock) {
        const std::size_t chunk = std::min<std::size_t>(kCompareBlock, fileHeader.Length - offset);
        const unsigned first = fileHeader.Start + static_cast<unsigned>(offset);
        LogLine(FormatText(Txt(txt::kBlockFormat),
                           {block++, first, first + static_cast<unsigned>(chunk) - 1}));
        image_.header.Start = static_cast<std::uint16_t>(first);
        image_.header.Length = static_cast<std::uint16_t>(chunk);
        if (!ReadFromDevice()) {
            finished = false;
            break;
        }
        // The file is read again for each block, as it stands now.
        FwpFileContents now;
        if (ReadFwpFile(file, now, false) != FwpFileError::kNone ||
            now.data.size() < offset + chunk) {
            ErrorLine(Txt(txt::kFileReadError) + FileText(file));
            finished = false;
            break;
        }
        for (std::size_t i = 0; i < chunk; ++i) {
            const std::uint8_t fromFile = now.data[offset + i];
            const std::uint8_t fromDevice = image_.data[i];
            if (fromFile == fromDevice) continue;
            equal = false;
            ErrorLine(FormatText(Txt(txt::kDifferenceFormat),
                                 {first + static_cast<unsigned>(i), static_cast<unsigned>(fromFile),
                                  static_cast<unsigned>(fromDevice)}));
            if (++differences == kMaxDifferences) {
                ErrorLine(Txt(txt::kTooManyDifferences));
                break;
            }
        }
        if (differences == kMaxDifferences) break;
    }
    // A compare that could not read everything has no verdict; its errors say why.
    if (finished)
        LogLine(Txt(txt::kCompareWith) + FileText(file) +
                Txt(equal ? txt::kCompareEqual : txt::kCompareDifferent));
    return finished && equal;
}

// ---- station parameters --------------------------------------------------------------------

bool Programming::EditStationParameters() {
    image_.header.Start = kStationParamsStart;
    image_.header.Length = sizeof(StationParamBlock);
    if (!ReadFromDevice()) return false;
    StationParamBlock block{};
    std::copy_n(image_.data.begin(), block.size(), block.begin());
    if (!dialogs_.editStationParams || !dialogs_.editStationParams(block)) return false;
    std::copy(block.begin(), block.end(), image_.data.begin());
    return WriteToDevice();
}

}  // namespace vadrix
