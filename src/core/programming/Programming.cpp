#include "programming/Programming.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "channel/Channel.h"
#include "common/TextFormat.h"
#include "common/TextIds.h"

namespace vadrix {

namespace {

constexpr std::uint32_t kReadStepMs = 25;   // ReadByte looks at the ring this often
constexpr std::uint32_t kPauseStepMs = 40;  // plain waits between the steps of a command
constexpr std::uint32_t kEchoWaitMs = 30;   // for each echoed character
constexpr std::uint32_t kNextByteMs = 30;   // for each further byte of an answer
constexpr std::uint32_t kFirstAnswerMs = 800;
constexpr std::uint32_t kFirstAnswerTestMs = 300;
constexpr std::uint32_t kBinaryByteMs = 50;
constexpr std::uint32_t kModeSettleMs = 40;  // after switching to binary mode
constexpr std::uint32_t kCommandGapMs = 10;  // between the wake-up and the command
constexpr std::size_t kMaxAnswer = 83;
constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kLf = 10;
constexpr std::size_t kSendBlock = 100;
constexpr std::uint32_t kWriteIdleMs = 50;  // the write loop ends after this long without traffic
constexpr std::uint32_t kWriteSleepMs = 10;
constexpr std::uint32_t kWriteEventsMs = 5;

void AppendHex4(std::string& out, unsigned v) {
    AppendHex2(out, (v >> 8) & 0xFF);
    AppendHex2(out, v & 0xFF);
}

std::string TransferCommand(std::string_view verb, const TFwpHeader& h) {
    std::string cmd(verb);
    AppendHex4(cmd, h.Start);
    cmd += '~';
    AppendHex4(cmd, h.Length);
    cmd += '\r';
    return cmd;
}

std::optional<std::uint32_t> ParseHex(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    std::uint32_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 16);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

}  // namespace

std::optional<AddressRange> ParseAddressRange(std::string_view text) {
    const std::size_t dash = text.find('-');
    if (dash == std::string_view::npos) return std::nullopt;
    const auto start = ParseHex(text.substr(0, dash));
    const auto end = ParseHex(text.substr(dash + 1));
    if (!start || !end || *start > *end || *end > 0xFFFF || *end - *start >= kFwpMaxData)
        return std::nullopt;
    return AddressRange{static_cast<std::uint16_t>(*start),
                        static_cast<std::uint16_t>(*end - *start + 1)};
}

std::string PrintableForm(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 32 && b <= 127) {
            out += c;
        } else {
            out += '#';
            AppendInt(out, b);
        }
    }
    return out;
}

Programming::Programming(Context& ctx, ProgrammingView& view, ProgrammingDialogs dialogs)
    : ctx_(ctx), view_(view), dialogs_(std::move(dialogs)) {
    ctx_.channelHooks.programmingReceive = [this](std::span<const std::uint8_t> bytes) {
        ReceiveProgrammingBytes(bytes);
    };
    image_.Clear();
    ring_.Clear();
    SetMode(kPgTextMode);
    view_.ClearLines();
    view_.SetAddressLabel("");
    view_.SetImageStatus(ImageStatusText());
    PlainLine(Txt(txt::kChooseFunction));
}

Programming::~Programming() {
    ctx_.channelHooks.programmingReceive = nullptr;
}

// ---- lines -------------------------------------------------------------------------------

void Programming::StampedLine(PgLine kind, std::string_view message) {
    const LocalDateTime t = ctx_.clock.Now();
    char stamp[24];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d,%03d  ", t.hour, t.minute, t.second,
                  t.millisecond);
    std::string line(stamp);
    line += message;
    view_.AddLine(kind, line);
}

void Programming::ErrorLine(std::string_view message) {
    error_ = true;
    StampedLine(PgLine::kError, message);
}

bool Programming::Fault(std::string_view message) {
    if (ctx_.run.TestMode) {
        LogLine(message);
        return false;
    }
    ErrorLine(message);
    return true;
}

// ---- the line ------------------------------------------------------------------------------

void Programming::SetMode(const SerialSettings& mode) {
    mode_ = mode;
    if (ctx_.emse1.Port != nullptr) ctx_.emse1.Port->Apply(mode);
}

std::uint32_t Programming::CharTimeMs() const {
    const unsigned bits =
        1u + mode_.dataBits + (mode_.parity == Parity::kNone ? 0u : 1u) + mode_.stopBits;
    const std::uint32_t baud = std::max<std::uint32_t>(mode_.baud, 1);
    return (bits * 1000 + baud - 1) / baud;
}

void Programming::Pause(std::uint32_t ms, std::uint32_t step) {
    const std::uint32_t start = ctx_.clock.MsCounter();
    for (;;) {
        ctx_.loop.ProcessPending();
        const std::uint32_t elapsed = ctx_.clock.MsCounter() - start;
        if (elapsed >= ms) return;
        ctx_.clock.Sleep(std::min(step, ms - elapsed));
    }
}

std::optional<std::uint8_t> Programming::ReadByte(std::uint32_t timeoutMs) {
    const std::uint32_t start = ctx_.clock.MsCounter();
    for (;;) {
        if (const auto b = ring_.Take()) return b;
        if (ctx_.clock.MsCounter() - start >= timeoutMs) return std::nullopt;
        ctx_.clock.Sleep(kReadStepMs);
        ctx_.loop.ProcessPending();
    }
}

void Programming::SendByte(std::uint8_t b) {
    if (ctx_.emse1.Port == nullptr) return;
    ctx_.emse1.Port->WriteByte(b);
    LedLight(ctx_.ui, ctx_.emse1.TxLed);
}

// ---- commands and answers ------------------------------------------------------------------

bool Programming::SendCommand(std::string_view command) {
    LogLine(FormatText(Txt(txt::kCommandFormat),
                       {static_cast<int>(command.size()), PrintableForm(command)}));
    // At 300 bit/s a character takes longer to go out and come back than the device's own
    // reaction time, so the wait for each echo covers both character times as well.
    const std::uint32_t echoWait = kEchoWaitMs + 2 * CharTimeMs();
    std::string echo;
    for (const char c : command) {
        SendByte(static_cast<std::uint8_t>(c));
        const auto b = ReadByte(echoWait);
        if (!b) break;
        echo += static_cast<char>(*b);
    }
    LogLine(
        FormatText(Txt(txt::kEchoFormat), {static_cast<int>(echo.size()), PrintableForm(echo)}));
    if (echo != command) return !Fault(Txt(txt::kEchoWrong));
    return true;
}

bool Programming::ReadAnswer() {
    std::string text;
    std::uint32_t wait = ctx_.run.TestMode ? kFirstAnswerTestMs : kFirstAnswerMs;
    for (;;) {
        const auto b = ReadByte(wait);
        if (!b) {
            return !Fault(FormatText(Txt(txt::kNoAnswerFormat),
                                     {static_cast<int>(text.size()), PrintableForm(text)}));
        }
        if (*b == kLf) return true;
        if (text.size() < kMaxAnswer) text += static_cast<char>(*b);
        wait = kNextByteMs + CharTimeMs();
    }
}

bool Programming::WakeDevice() {
    if (!SendCommand("X")) return false;
    return ReadByte(kNextByteMs + CharTimeMs()).has_value() || ctx_.run.TestMode;
}

// ---- reading -------------------------------------------------------------------------------

bool Programming::ReceiveBinary() {
    SetMode(kPgBinaryMode);
    Pause(kModeSettleMs, kPauseStepMs);
    ring_.Clear();
    TFwpHeader& h = image_.header;
    const std::uint16_t wanted = std::min<std::uint16_t>(h.Length, kFwpMaxData);
    h.RecvCount = 0;
    SendByte(kAck);
    while (h.RecvCount < wanted) {
        const auto b = ReadByte(kBinaryByteMs);
        if (!b) break;
        image_.data[h.RecvCount++] = *b;
    }
    const bool missing = h.RecvCount < wanted;
    const std::string report =
        FormatText(Txt(txt::kReadCountFormat),
                   {static_cast<int>(h.RecvCount),
                    Txt(missing ? txt::kTransferIncomplete : txt::kTransferComplete)});
    bool failed = false;
    if (missing) {
        failed = Fault(report);
        if (!failed) h.RecvCount = wanted;  // the test flag takes the image as complete
    } else {
        LogLine(report);
    }
    SetMode(kPgTextMode);
    return !failed;
}

bool Programming::ReadFromDevice() {
    TFwpHeader& h = image_.header;
    LogLine(Txt(txt::kDeviceStep) + Txt(txt::kStepRead));
    h.RecvCount = 0;
    ring_.Clear();
    bool ok = WakeDevice();
    if (ok) {
        Pause(kCommandGapMs, kPauseStepMs);
        ok = SendCommand(TransferCommand("fl", h));
    }
    if (ok) ok = ReceiveBinary();
    if (ok) ok = ReadAnswer();
    h.Length = h.RecvCount;
    if (!ok) ErrorLine(Txt(txt::kTransferFailed));
    return ok;
}

bool Programming::ReadDeviceRange(std::string_view typed) {
    lastRange_ = std::string(typed);
    const auto range = ParseAddressRange(typed);
    if (!range) {
        ErrorLine(FormatText(Txt(txt::kBadRangeFormat), {typed}));
        return false;
    }
    image_.header.Start = range->start;
    image_.header.Length = range->length;
    return ReadFromDevice();
}

// ---- writing -------------------------------------------------------------------------------

void Programming::AdjustImageForDevice() {
    // Device rules: the byte at 0xE000 is written as 0, and the byte at 0xE809 becomes 0 when
    // the station parameters (status byte at 0xEFF9, bit 3 clear) are written with it.
    constexpr std::uint32_t kFirstCell = 0xE000;
    constexpr std::uint32_t kTypeCell = 0xE809;
    constexpr std::uint32_t kStatusCell = 0xEFF9;
    TFwpHeader& h = image_.header;
    const std::uint32_t start = h.Start;
    const std::uint32_t end = start + h.Length;  // one past the last byte
    if (start == kFirstCell) {
        image_.data[0] = 0;
    } else if (start <= kTypeCell && end > kStatusCell &&
               (image_.data[kStatusCell - start] & 0x08) == 0) {
        image_.data[kTypeCell - start] = 0;
    }
}

bool Programming::SendBinaryWithEcho() {
    SetMode(kPgBinaryMode);
    Pause(kModeSettleMs, kPauseStepMs);
    ring_.Clear();
    TFwpHeader& h = image_.header;
    const std::uint16_t length = h.Length;
    h.SentCount = 0;
    h.RecvCount = 0;
    bool mismatch = false;
    SerialPort* port = ctx_.emse1.Port;
    std::uint32_t lastTraffic = ctx_.clock.MsCounter();
    for (;;) {
        if (h.SentCount < length && port != nullptr && port->OutputPending() == 0) {
            const std::size_t n = std::min<std::size_t>(kSendBlock, length - h.SentCount);
            port->Write(std::span<const std::uint8_t>(image_.data.data() + h.SentCount, n));
            h.SentCount = static_cast<std::uint16_t>(h.SentCount + n);
            LedLight(ctx_.ui, ctx_.emse1.TxLed);
            lastTraffic = ctx_.clock.MsCounter();
        }
        bool got = false;
        bool done = false;
        while (const auto b = ring_.Take()) {
            got = true;
            if (h.RecvCount < length) {
                if (*b != image_.data[h.RecvCount]) mismatch = true;
                if (++h.RecvCount == length) SendByte(kAck);
            } else if (*b == kAck) {
                done = true;
                break;
            }
        }
        if (done) break;
        if (got) {
            lastTraffic = ctx_.clock.MsCounter();
        } else {
            ctx_.clock.Sleep(kWriteSleepMs);
            Pause(kWriteEventsMs, kWriteEventsMs);
        }
        // Bytes that arrived during the pause are traffic, however long the pause took.
        if (ring_.Count() == 0 && ctx_.clock.MsCounter() - lastTraffic >= kWriteIdleMs) break;
    }
    SetMode(kPgTextMode);
    const int result = mismatch               ? txt::kTransferMismatch
                       : h.RecvCount < length ? txt::kTransferIncomplete
                                              : txt::kTransferComplete;
    const std::string report =
        FormatText(Txt(txt::kWriteCountFormat), {static_cast<int>(h.RecvCount), Txt(result)});
    if (result == txt::kTransferComplete) {
        LogLine(report);
        return true;
    }
    return !Fault(report);
}

bool Programming::WriteToDevice() {
    TFwpHeader& h = image_.header;
    constexpr std::uint16_t kMaxWrite = 4096;
    if (h.Length > kMaxWrite) {
        ErrorLine(Txt(txt::kImageTooLarge));
        return false;
    }
    if (h.Length == 0) {
        ErrorLine(Txt(txt::kNoImage));
        return false;
    }
    if (ctx_.ui.ShowMessage(ctx_.Txt(txt::kAskWriteDevice), MessageKind::kConfirmation,
                            MessageButtons::kYesNo) != MessageResult::kYes)
        return false;

    LogLine(Txt(txt::kDeviceStep) + Txt(txt::kStepPrepare));
    ring_.Clear();
    if (!SendCommand("IB\r") || !ReadAnswer()) {
        ErrorLine(Txt(txt::kNotReadyToWrite));
        return false;
    }
    AdjustImageForDevice();

    LogLine(Txt(txt::kDeviceStep) + Txt(txt::kStepWrite));
    ring_.Clear();
    bool ok = WakeDevice();
    if (ok) {
        Pause(kCommandGapMs, kPauseStepMs);
        ok = SendCommand(TransferCommand("fp", h));
    }
    if (ok) ok = SendBinaryWithEcho();
    if (ok) ok = ReadAnswer();
    if (!ok) ErrorLine(Txt(txt::kTransferFailed));

    // The device leaves its write state in any case.
    LogLine(Txt(txt::kDeviceStep) + Txt(txt::kStepFinish));
    ring_.Clear();
    if (!SendCommand("IA\r") || !ReadAnswer()) {
        ErrorLine(Txt(txt::kWriteNotFinished));
        ok = false;
    }
    return ok;
}

}  // namespace vadrix
