#pragma once
// The line generator: turns one stored record into lines of text, one line per call, for the
// log view, the online display, printing and export alike.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/GeneralParams.h"
#include "log/Telegram.h"

namespace vadrix {

struct Context;
struct TLogHeader;
class Descriptions;

enum class DisplayFormat : int {
    afBit = 2,
    afLog = 3,
    afMW = 4,
    afHex = 5,
    afByte = 6,
    afCsv = 7,
    afDez = 8
};

// A stored format number outside 2..8 reads as afLog.
DisplayFormat DisplayFormatFromNumber(int n);

// What interpretation depends on besides the record: the protocol variant, scales and
// options come from the context, or, when a log file is read, from the general parameters of
// its header.
struct InterpretSettings {
    DisplayFormat format = DisplayFormat::afLog;
    bool timeLine = false;  // afCsv always shows it
    TGeneralParams general{};
    int userDataOffset = 4;  // H: 8 in the monitor variants 0 and 1
    std::uint8_t maxStation = 127;
    std::uint8_t noStation = 0;
    char bitChars[2] = {'0', '1'};
    char separator = ';';
    char thousands = '.';  // the number and date style of the language
    char decimal = ',';
    bool dayFirst = true;  // short date dd.mm.yyyy, else mm/dd/yyyy
    // Font and background colour of E1, S1, E2, S2, headings, faulty telegrams and events.
    std::uint8_t colours[6][2] = {{2, 15}, {1, 15}, {4, 15}, {7, 15}, {16, 15}, {3, 15}};

    int Variant() const { return general.ProtocolVariant; }
};

// The live log: format, time line, variant and options as set now.
InterpretSettings SettingsFromContext(const Context& ctx);
// A log file: the variant, scales and options of its own header; the view settings of now.
InterpretSettings SettingsFromLogHeader(const Context& ctx, const TLogHeader& h);

class LineGenerator {
  public:
    static constexpr std::size_t kMaxLine = 255;

    LineGenerator(const Context& ctx, const Descriptions* descriptions);

    // Prepares the lines of one record. previousTime is the Time of the record whose header
    // line came last (0: none, no "  d=" part); runningNumber the number shown to the user.
    // The settings are kept by reference, not copied for every record: they must outlive the
    // record's lines.
    void Prepare(const InterpretSettings& s, const TTelegram& rec, double previousTime,
                 std::int64_t runningNumber);
    void Prepare(InterpretSettings&&, const TTelegram&, double, std::int64_t) = delete;
    // The next line (CP1252, at most 255 characters); empty when the record has no more.
    std::string NextLine();
    // The same line appended to out, without a string of its own; false (out unchanged) when
    // the record has no more.
    bool NextLine(std::string& out);
    // How many lines NextLine will produce for the record in these settings.
    int LineCount(const InterpretSettings& s, const TTelegram& rec) const;
    // Text 1175 + Source.
    std::string_view SourceName(const TTelegram& rec) const;

    // The previous-time cell after the lines fetched so far: the record's Time once its header
    // line was made, else what Prepare was given.
    double PreviousTime() const { return previousTime_; }
    // The colour pair of the prepared record: low byte font, high byte background index.
    std::uint16_t ColourPair() const { return colourPair_; }
    // The prepared record's description entry, -1 if none.
    int DescIndex() const { return descIndex_; }
    // How many records were prepared (the view counts its work with it).
    std::int64_t PreparedCount() const { return prepared_; }

    // What a record's lines are made of; the count of its data lines is known beforehand
    // except for the continuation of a decoded line.
    enum class Body { kNone, kValueList, kBitBytes, kHexDump, kDecoded };
    struct Plan {
        bool header = false;
        Body body = Body::kNone;
        int dataLines = 0;  // kDecoded: 1, a continuation is found when the line is made
    };

  private:
    struct Impl;
    static Plan MakePlan(const InterpretSettings& s, const TTelegram& rec);
    const Context& ctx_;
    const Descriptions* desc_;
    static const InterpretSettings kDefaultSettings;
    const InterpretSettings& Settings() const { return *settings_; }
    void MakeLine();
    const InterpretSettings* settings_ = &kDefaultSettings;
    TTelegram rec_{};
    int dirtyFrame_ = 0;  // rec_.Frame past this is zero
    std::int64_t runningNumber_ = 0;
    double previousTime_ = 0;
    int line_ = 0;
    int descIndex_ = -1;
    int dataBits_ = 0;
    std::uint16_t colourPair_ = 0;
    std::int64_t prepared_ = 0;
    std::string continuation_;
    int contIndent_ = 0;
    Plan plan_{};
    int frameLen_ = 0;  // FrameLen kept inside the frame buffer
    std::string out_;   // reused for every line
    std::string scratch_;
    double dateDay_ = -1;  // the day whose short date is in dateText_
    std::string dateText_;
};

}  // namespace vadrix
