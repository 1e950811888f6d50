// Writes the seed corpus of every fuzz target with the program's own writers: log files,
// settings, send telegram and filter files, the text forms of the send items, frames as
// the composition sends them, the language files and the set-up listing.
//   fuzz-corpus OUT_DIR   (OUT_DIR/<target>/seed-<n>, and OUT_DIR/setup.dict)

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "FuzzChannels.h"
#include "FuzzSupport.h"
#include "SetUpFields.h"
#include "app/SendDefaults.h"
#include "app/Startup.h"
#include "channel/CheckBits.h"
#include "common/Settings.h"
#include "editors/SendTextFile.h"
#include "filters/Filter.h"
#include "log/SendFile.h"
#include "log/TelLog.h"
#include "params/StationParams.h"
#include "programming/FwpFile.h"
#include "support/Frames.h"
#include "transmit/Compose.h"

namespace {

using namespace vadrix;
using testing::Bytes;

std::filesystem::path g_out;  // the corpus folder, set once in main

Bytes ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Seed(const std::string& target, const Bytes& bytes) {
    const std::filesystem::path dir = g_out / target;
    std::filesystem::create_directories(dir);
    int n = 0;
    while (std::filesystem::exists(dir / ("seed-" + std::to_string(n)))) ++n;
    std::ofstream(dir / ("seed-" + std::to_string(n)), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

void Seed(const std::string& target, std::string_view text) {
    Seed(target, Bytes(text.begin(), text.end()));
}

// Builds inputs in the order FuzzedDataProvider takes them apart: bytes from the front,
// numbers from the back, the most significant byte of a number first.
class ProviderInput {
  public:
    void Range(std::uint64_t value, std::uint64_t lo, std::uint64_t hi) {
        const std::uint64_t range = hi - lo;
        std::vector<std::uint8_t> bytes;
        for (int offset = 0; offset < 64 && (range >> offset) > 0; offset += 8) bytes.push_back(0);
        std::uint64_t v = value - lo;
        for (std::size_t i = bytes.size(); i-- > 0; v >>= 8)
            bytes[i] = static_cast<std::uint8_t>(v);
        back_.insert(back_.end(), bytes.begin(), bytes.end());
    }
    void Byte(std::uint8_t b) { Range(b, 0, 255); }
    void Bool(bool b) { Byte(b ? 1 : 0); }
    void Front(const Bytes& bytes) { front_.insert(front_.end(), bytes.begin(), bytes.end()); }
    Bytes Done() const {
        Bytes all = front_;
        all.insert(all.end(), back_.rbegin(), back_.rend());
        return all;
    }

  private:
    Bytes front_;
    Bytes back_;
};

// ---------------------------------------------------------------------------------------
// Frames

// What the composition puts on the line for each default send telegram, in variant 2.
std::vector<Bytes> ComposedFrames() {
    fuzz::FuzzContext fc;
    Context& ctx = *fc;
    ctx.general.ProtocolVariant = 2;
    SetDefaultSendTelegrams(ctx);
    fuzz::FakePorts ports;
    std::vector<Bytes> frames;
    if (!ports.Open(ctx)) return frames;
    for (TSendTelegram& t : ctx.sendTelegrams.Items) {
        ports.port1.written.clear();
        ComposeTelegram(ctx, ctx.emse1, t);
        if (!ports.port1.written.empty()) frames.push_back(ports.port1.written);
    }
    ClosePorts(ctx);
    return frames;
}

// An envelope frame of the monitor device around a monitored long telegram.
Bytes EnvelopeFrame(int checkKind, std::uint8_t line) {
    Bytes bits = testing::LongPayload(1, 3, 1, 0x123, 0x5A);
    bits.resize(16, 0);
    const int d = 49;
    AppendCheckBits(bits, d, checkKind);
    const int c = CheckBitCount(checkKind);
    bits.resize(static_cast<std::size_t>((d + c + 7) / 8));
    Bytes payload{2, line, 0, static_cast<std::uint8_t>(d + c)};
    payload.insert(payload.end(), bits.begin(), bits.end());
    return testing::Variable(payload);
}

Bytes DeviceText() {
    const std::string text = "monitor ready";
    Bytes payload{0, 1, 0, 0, static_cast<std::uint8_t>(text.size())};
    payload.insert(payload.end(), text.begin(), text.end());
    return testing::Variable(payload);
}

std::vector<Bytes> FramesOf(int variant) {
    if (variant <= 1)
        return {EnvelopeFrame(2, 1), EnvelopeFrame(4, 2), EnvelopeFrame(6, 3), DeviceText()};
    std::vector<Bytes> frames = ComposedFrames();
    frames.push_back(testing::Fixed(0x12, 0x34));
    frames.push_back(testing::Long(1, 1, 1, 0x201, 0x85));
    return frames;
}

// ---------------------------------------------------------------------------------------
// Targets

void SerialSeeds() {
    for (int variant = 0; variant <= 2; ++variant)
        for (std::uint32_t function = 0; function <= 4; ++function) {
            ProviderInput in;
            in.Range(variant, 0, 2);
            in.Range(0, 0, 3);
            in.Bool(true);
            for (int ch = 0; ch < 2; ++ch) {
                in.Range(3, 0, 5);  // 9600 baud
                in.Range(function, 0, 4);
                in.Bool(false);
                in.Range(1, 0, 16);
                in.Range(1, 0, 127);
                for (int i = 0; i < 4; ++i) in.Range(1, 0, 2);
                for (int i = 0; i < 3; ++i) {
                    in.Range(static_cast<std::uint64_t>(i), 0, 2);
                    in.Range(40, 0, 100);
                }
            }
            in.Range(3, 2, 8);
            int op = 0;
            for (const Bytes& frame : FramesOf(variant)) {
                const bool second = variant == 2 && op++ % 2 == 1;
                in.Byte(second ? 1 : 0);  // a block on the channel
                in.Range(frame.size(), 1, 700);
                in.Front(frame);
                in.Byte(4 << 1);  // a tick
                in.Range(500, 0, 3000);
                in.Byte(5 << 1);  // the posted steps
            }
            Seed("serial", in.Done());
        }
}

void LogSeeds() {
    for (int variant : {0, 2}) {
        fuzz::FuzzContext fc;
        Context& ctx = *fc;
        ctx.general.ProtocolVariant = variant;
        SetUpChannels(ctx);
        const std::filesystem::path file = fuzz::TempFolder() / "seed.lg8";
        TTelLog log(ctx, TTelLog::Role::kWriter);
        log.AssignFile(file);
        log.SetRingBlocks(1);
        if (!log.Create()) continue;
        std::uint8_t status = 1;
        for (const Bytes& frame : FramesOf(variant)) {
            for (int source = 1; source <= 4; ++source) {
                TTelegram rec{};
                rec.Kind = 3;
                rec.Status = status;
                status = static_cast<std::uint8_t>(status % 60 + 7);
                rec.Source = static_cast<std::uint8_t>(source);
                rec.FrameLen = static_cast<std::int16_t>(
                    std::min<std::size_t>(frame.size(), TTelegram::kMaxFrame));
                std::memcpy(rec.Frame, frame.data(), static_cast<std::size_t>(rec.FrameLen));
                rec.Station = 1;
                rec.TelNo = 0x123;
                rec.DataKind = 1;
                log.Store(rec);
                fc.clock.Advance(250);
            }
        }
        log.Finish();
        Seed("logfile", ReadAll(file));
    }
}

void SettingsSeeds() {
    TSettings s;
    const std::filesystem::path file = fuzz::TempFolder() / "seed-settings.dat";
    if (WriteSettingsFile(file, s)) Seed("settings", ReadAll(file));
    s.Language = 1;
    s.DisplayFormat = 7;
    s.HistoryCount = 2;
    StoreFileName(s.History[0], "/home/user/logs/Stationsprüfung.lg8");
    StoreFileName(s.History[1], "/tmp/b.lg8");
    StoreFileName(s.DescriptionFile, "/home/user/objects.txt");
    StoreFileName(s.DataDirHint, "/home/user/data/");
    if (WriteSettingsFile(file, s)) Seed("settings", ReadAll(file));
}

void LanguageSeeds() {
    for (const bool english : {false, true}) {
        Bytes text = ReadAll(std::string(VADRIX_SOURCE_DIR) +
                             (english ? "/lang/Q5Text.usa" : "/lang/Q5Text.ger"));
        text.push_back(english ? 1 : 0);  // the language the settings name
        Seed("language", text);
    }
}

void DescriptionSeeds() {
    Seed("descriptions",
         "0;2;100-102;3-0;Pump station;\r\n"
         "1;3;1023;0;Last;PO7;anything after\r\n"
         "0;0;512;4-12;Cyclic request;SF2\r\n"
         "; a comment line\r\n"
         "1;1;0-1023;1-1;Every number;ZS6A\r\n");
}

void SendFileSeeds() {
    for (int variant : {0, 2}) {
        fuzz::FuzzContext fc;
        Context& ctx = *fc;
        ctx.general.ProtocolVariant = variant;
        SetUpChannels(ctx);
        SetDefaultSendTelegrams(ctx);
        SetDefaultSendLists(ctx);
        for (int r = 1; r <= 5; ++r) ctx.sendLists.Items[0].Row(r).Akt = 1;
        const std::filesystem::path file = fuzz::TempFolder() / "seed.sd8";
        if (SaveSendFile(ctx, file)) Seed("sendfile", ReadAll(file));
    }
}

void SendTextSeeds() {
    fuzz::FuzzContext fc;
    Context& ctx = *fc;
    SetDefaultSendTelegrams(ctx);
    SetDefaultSendLists(ctx);
    for (int i = 0; i < 3; ++i) {
        ProviderInput in;
        in.Front(Bytes{0});
        const std::string text = TelegramFileText(ctx.sendTelegrams.Items[i], ';');
        ProviderInput t;
        t.Front(Bytes(text.begin(), text.end()));
        t.Bool(false);
        t.Range(0, 0, 3);
        Seed("sendtext", t.Done());
    }
    TSendList& l = ctx.sendLists.Items[0];
    for (int r = 1; r <= 4; ++r) l.Row(r).Akt = 1;
    const std::string text = ListFileText(l, '\t');
    ProviderInput t;
    t.Front(Bytes(text.begin(), text.end()));
    t.Bool(true);
    t.Range(1, 0, 3);
    Seed("sendtext", t.Done());
}

void FilterSeeds() {
    const std::filesystem::path file = fuzz::TempFolder() / "seed.flt";
    TFilterRecord f;
    if (SaveFilterFile(file, f)) Seed("filter", ReadAll(file));
    f.SourceMask = 5;
    f.DataKindMask = 3;
    f.FromTime = 46000.25;
    f.ToTime = 46001.75;
    f.RowCount = 2;
    f.Rows[0] = {kRowFieldStation, 1, 1, 2, 5};
    f.Rows[1] = {kRowFieldFrameLength, 2, 4, 0, 0};
    if (SaveFilterFile(file, f)) Seed("filter", ReadAll(file));
}

void StationParamSeeds() {
    StationParamBlock b{};
    StationParamsFromValues(StationParamValues{}, b);
    Bytes seed(b.begin(), b.end());
    Seed("stationparams", seed);
    seed.insert(seed.end(), 40, 0x7F);
    Seed("stationparams", seed);
}

void FwpSeeds() {
    const std::filesystem::path file = fuzz::TempFolder() / "seed.fwp";
    auto image = std::make_unique<FwpImage>();
    for (const auto& [start, length] :
         {std::pair{0xE800, 64}, std::pair{0xEFF0, 16}, std::pair{0, 0}}) {
        image->header.Start = static_cast<std::uint16_t>(start);
        image->header.Length = static_cast<std::uint16_t>(length);
        for (int i = 0; i < length; ++i)
            image->data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 37 + 5);
        if (WriteFwpFile(file, *image)) Seed("fwp", ReadAll(file));
    }
}

// Timed text lines 'MILLISECONDS HEXBYTES' and the same bytes raw.
void ImportSeeds() {
    for (int variant = 0; variant <= 2; ++variant) {
        std::string timed = "# capture\n";
        Bytes raw;
        int ms = 0;
        for (const Bytes& frame : FramesOf(variant)) {
            char hex[4];
            timed += std::to_string(ms);
            for (std::uint8_t b : frame) {
                std::snprintf(hex, sizeof hex, " %02X", b);
                timed += hex;
            }
            timed += '\n';
            ms += 120;
            raw.insert(raw.end(), frame.begin(), frame.end());
        }
        for (const int form : {0, 1}) {
            ProviderInput in;
            in.Front(form == 0 ? Bytes(timed.begin(), timed.end()) : raw);
            in.Range(variant, 0, 2);
            if (variant == 2) in.Bool(false);
            in.Range(form, 0, 2);
            Seed("import", in.Done());
        }
    }
}

// The listing of the default set-up, a few lines of it, and the dictionary of every key.
void SetupSeeds() {
    fuzz::FuzzContext fc;
    Context& ctx = *fc;
    ctx.general = TGeneralParams{};
    SetUpChannels(ctx);
    SetDefaultSendTelegrams(ctx);
    SetDefaultSendLists(ctx);
    const cli::SetUpFields fields(ctx);
    auto image = std::make_unique<cli::SetUpImage>();
    image->general = ctx.general;
    image->emse1 = ctx.emse1.P;
    image->emse2 = ctx.emse2.P;
    image->telegrams = ctx.sendTelegrams;
    image->lists = ctx.sendLists;
    const std::string listing = cli::Listing(*image, fields, false);
    Seed("setup", listing);
    std::string_view rest = listing;
    std::string some;
    for (int line = 0; !rest.empty(); ++line) {
        const std::size_t end = rest.find('\n');
        if (line % 97 == 0) some += std::string(rest.substr(0, end)) + "\n";
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    }
    Seed("setup", some);
    // The parts of the keys between the dots: "telegram3", "Head", "Anst", ...
    std::set<std::string> words;
    for (const cli::Field& f : fields.All())
        for (std::size_t at = 0; at <= f.key.size();) {
            const std::size_t dot = std::min(f.key.find('.', at), f.key.size());
            words.insert(f.key.substr(at, dot - at));
            at = dot + 1;
        }
    std::ofstream dict(g_out / "setup.dict");
    for (const std::string& w : words) dict << '"' << w << "\"\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz-corpus OUT_DIR\n");
        return 2;
    }
    g_out = argv[1];
    std::filesystem::create_directories(g_out);
    SerialSeeds();
    LogSeeds();
    SettingsSeeds();
    LanguageSeeds();
    DescriptionSeeds();
    SendFileSeeds();
    SendTextSeeds();
    FilterSeeds();
    StationParamSeeds();
    FwpSeeds();
    ImportSeeds();
    SetupSeeds();
    return 0;
}
