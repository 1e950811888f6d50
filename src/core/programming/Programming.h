#pragma once
// The programming functions for a field device on channel 1: reading, writing and comparing
// a block of its parameter memory, keeping images in FWP files, and its station parameters.
// There is no window here: the lines, labels and dialogs go through ProgrammingView and
// ProgrammingDialogs, which the window (or a test) provides.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/Context.h"
#include "channel/SerialPort.h"
#include "params/StationParams.h"
#include "programming/FwpImage.h"
#include "programming/ReceiveRing.h"

namespace vadrix {

enum class PgLine {
    kLog,    // time stamp and message
    kError,  // a log line that also marks the command as failed
    kPlain,  // message only
};

// The window's memo and labels. Texts are CP1252 as in the text table.
class ProgrammingView {
  public:
    virtual ~ProgrammingView() = default;
    virtual void ClearLines() = 0;
    virtual void AddLine(PgLine kind, std::string_view text) = 0;
    virtual void SetAddressLabel(std::string_view text) = 0;
    virtual void SetImageStatus(std::string_view text) = 0;
};

// What the functions ask the user. An empty answer means the user cancelled; an unset
// function counts as cancelled.
struct ProgrammingDialogs {
    using AskText = std::function<std::optional<std::string>(
        std::string_view caption, std::string_view prompt, std::string_view preset)>;
    using AskFile = std::function<std::optional<std::filesystem::path>(
        std::string_view title, const std::filesystem::path& start)>;
    AskText askRange{};
    AskFile openFile{};
    AskFile saveFile{};
    // Stands for the station parameter dialog: edits the block, true when it is to be saved.
    std::function<bool(StationParamBlock&)> editStationParams{};
};

// The function items, numbered as their tags.
enum class PgItem : int {
    kStationParams = 1,
    kReadDevice = 2,
    kWriteDevice = 3,
    kReadFile = 4,
    kSaveFile = 5,
    kCompare = 6,
    kShowImage = 7,
};

struct AddressRange {
    std::uint16_t start = 0;
    std::uint16_t length = 0;
};

// "SSSS-EEEE" in hexadecimal with start <= end and at most 8192 bytes; nothing otherwise.
std::optional<AddressRange> ParseAddressRange(std::string_view text);
// Characters 32 to 127 as they are, any other as "#" and its decimal code.
std::string PrintableForm(std::string_view bytes);

inline const SerialSettings kPgTextMode{300, 7, Parity::kEven, 2};
inline const SerialSettings kPgBinaryMode{9600, 8, Parity::kEven, 2};

class Programming {
  public:
    // Takes the bytes channel 1 receives in mode 4 for as long as it lives; starts with no
    // image, an empty ring and the port in text mode.
    Programming(Context& ctx, ProgrammingView& view, ProgrammingDialogs dialogs);
    ~Programming();
    Programming(const Programming&) = delete;
    Programming& operator=(const Programming&) = delete;

    // A function item as the window's menu runs it: caption line, the function, the summary
    // and the image status.
    void RunItem(PgItem item);
    // Writing, saving and showing need an image.
    bool ItemEnabled(PgItem item) const;
    std::string ItemCaption(PgItem item) const;

    // The device protocol.
    void ReceiveProgrammingBytes(std::span<const std::uint8_t> bytes) { ring_.Append(bytes); }
    std::optional<std::uint8_t> ReadByte(std::uint32_t timeoutMs);
    void SendByte(std::uint8_t b);
    bool SendCommand(std::string_view command);
    bool ReadAnswer();
    bool WakeDevice();
    // Reads Length bytes from Start into the image; Length becomes the number received.
    bool ReadFromDevice();
    // Item 2 once the range has been typed.
    bool ReadDeviceRange(std::string_view typed);
    bool WriteToDevice();
    // Items 4 to 7 once the file has been chosen.
    bool ReadImageFile(const std::filesystem::path& file);
    bool SaveImageFile(const std::filesystem::path& file);
    bool CompareWithFile(const std::filesystem::path& file);
    void ShowImage();
    bool EditStationParameters();

    std::string ImageStatusText();
    std::vector<std::string> ImageListing() const;

    FwpImage& Image() { return image_; }
    ReceiveRing& Ring() { return ring_; }
    bool ErrorFlag() const { return error_; }
    const std::string& LastRange() const { return lastRange_; }

  private:
    // Memo lines: the long time, a comma, three digits of milliseconds, two blanks, message.
    void StampedLine(PgLine kind, std::string_view message);
    void LogLine(std::string_view message) { StampedLine(PgLine::kLog, message); }
    void ErrorLine(std::string_view message);
    void PlainLine(std::string_view message) { view_.AddLine(PgLine::kPlain, message); }
    // A missing echo, answer or data: an error line that fails the command, or with the test
    // flag a log line only. True when the command fails.
    bool Fault(std::string_view message);
    std::string Txt(int n) const { return std::string(ctx_.Txt(n)); }

    void SetMode(const SerialSettings& mode);
    // Waits ms milliseconds in steps, handling events meanwhile.
    void Pause(std::uint32_t ms, std::uint32_t step);
    // The time one character takes on the line in the current mode, rounded up.
    std::uint32_t CharTimeMs() const;
    bool ReceiveBinary();
    bool SendBinaryWithEcho();
    void AdjustImageForDevice();
    bool LoadFile(const std::filesystem::path& file);
    std::string FileText(const std::filesystem::path& file) const;

    Context& ctx_;
    ProgrammingView& view_;
    ProgrammingDialogs dialogs_;
    FwpImage image_;
    ReceiveRing ring_;
    SerialSettings mode_ = kPgTextMode;
    bool error_ = false;
    std::string lastRange_ = "E800-EFFF";
};

}  // namespace vadrix
