#pragma once
// A scripted field device behind a fake port, and a programming core wired to it through
// channel 1 as the program wires it in mode 4.

#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "channel/Channel.h"
#include "programming/Programming.h"
#include "support/FakeSerialPort.h"
#include "support/TestContext.h"

namespace vadrix::testing {

// The device echoes its commands and serves its memory. Its replies reach the program a few
// bytes per event-loop pass, as a slow line would deliver them.
class ScriptedDevice : public FakeSerialPort {
  public:
    explicit ScriptedDevice(EventLoop& loop) : loop_(loop) { memory.fill(0xFF); }

    void Apply(const SerialSettings& s) override {
        FakeSerialPort::Apply(s);
        modes.push_back(s);
    }
    void Write(std::span<const std::uint8_t> bytes) override {
        FakeSerialPort::Write(bytes);
        if (!IsOpen()) return;
        for (const std::uint8_t b : bytes) Hear(b);
    }

    std::array<std::uint8_t, 0x10000> memory{};
    std::vector<std::string> commands;            // each command line as received, CR included
    std::vector<SerialSettings> modes;            // every mode the program applied
    std::optional<std::size_t> stopAfter;         // the next "fl" sends only this many bytes
    bool answers = true;                          // false: no answer lines
    bool garbleEcho = false;                      // echoes the command letters wrongly
    std::optional<std::size_t> spoilWriteEchoAt;  // echo of this "fp" byte is wrong
    std::function<void()> onPass;                 // runs as each chunk of the reply arrives
    static constexpr std::size_t kBytesPerPass = 20;

  private:
    enum class State { kText, kAwaitAck, kReceiving, kAwaitFinalAck };

    void Hear(std::uint8_t b) {
        switch (state_) {
            case State::kText:
                HearText(b);
                break;
            case State::kAwaitAck:
                if (b == 0x06) SendMemory();
                break;
            case State::kReceiving:
                memory[(start_ + got_) & 0xFFFF] = b;
                Send(spoilWriteEchoAt == got_ ? static_cast<std::uint8_t>(b ^ 0xFF) : b);
                if (++got_ == length_) state_ = State::kAwaitFinalAck;
                break;
            case State::kAwaitFinalAck:
                if (b == 0x06) {
                    Send(0x06);
                    Answer("OK");
                    state_ = State::kText;
                }
                break;
        }
    }
    void HearText(std::uint8_t b) {
        Send(garbleEcho && b != '\r' ? static_cast<std::uint8_t>('?') : b);
        if (b == 'X' && line_.empty()) {
            Send('>');  // awake
            commands.push_back("X");
            return;
        }
        line_ += static_cast<char>(b);
        if (b != '\r') return;
        commands.push_back(line_);
        const std::string cmd = std::exchange(line_, std::string());
        if (cmd.size() == 12 && (cmd.starts_with("fl") || cmd.starts_with("fp")) && cmd[6] == '~') {
            start_ = std::stoul(cmd.substr(2, 4), nullptr, 16);
            length_ = std::stoul(cmd.substr(7, 4), nullptr, 16);
            got_ = 0;
            state_ = cmd.starts_with("fl") ? State::kAwaitAck : State::kReceiving;
        } else if (cmd == "IB\r" || cmd == "IA\r") {
            Answer("OK");
        }
    }
    void SendMemory() {
        const std::size_t n = stopAfter ? std::min(*stopAfter, length_) : length_;
        for (std::size_t i = 0; i < n; ++i) Send(memory[(start_ + i) & 0xFFFF]);
        if (n == length_) Answer("OK");
        stopAfter.reset();
        state_ = State::kText;
    }
    void Answer(const std::string& text) {
        if (!answers) return;
        for (const char c : text + "\r\n") Send(static_cast<std::uint8_t>(c));
    }
    void Send(std::uint8_t b) {
        outbox_.push_back(b);
        if (!pumping_) {
            pumping_ = true;
            loop_.Post([this] { Pump(); });
        }
    }
    void Pump() {
        std::vector<std::uint8_t> chunk;
        while (!outbox_.empty() && chunk.size() < kBytesPerPass) {
            chunk.push_back(outbox_.front());
            outbox_.pop_front();
        }
        if (onPass) onPass();
        Inject(chunk);
        if (outbox_.empty())
            pumping_ = false;
        else
            loop_.Post([this] { Pump(); });
    }

    EventLoop& loop_;
    std::deque<std::uint8_t> outbox_;
    bool pumping_ = false;
    State state_ = State::kText;
    std::string line_;
    std::size_t start_ = 0, length_ = 0, got_ = 0;
};

// The memo and labels of the window, kept for the test.
struct RecordingView : ProgrammingView {
    struct Line {
        PgLine kind;
        std::string text;
    };
    void ClearLines() override {
        lines.clear();
        ++clears;
    }
    void AddLine(PgLine kind, std::string_view text) override {
        lines.push_back({kind, std::string(text)});
        all.push_back({kind, std::string(text)});
    }
    void SetAddressLabel(std::string_view text) override { addressLabel = text; }
    void SetImageStatus(std::string_view text) override { imageStatus = text; }

    // The message part of every line since the start, whatever was cleared since.
    std::vector<std::string> Messages() const {
        std::vector<std::string> out;
        for (const Line& l : all) out.push_back(Message(l));
        return out;
    }
    static std::string Message(const Line& l) {
        return l.kind == PgLine::kPlain ? l.text : l.text.substr(l.text.find("  ") + 2);
    }
    bool Has(std::string_view message) const {
        for (const Line& l : all)
            if (Message(l) == message) return true;
        return false;
    }
    bool HasError(std::string_view message) const {
        for (const Line& l : all)
            if (l.kind == PgLine::kError && Message(l) == message) return true;
        return false;
    }
    int Count(std::string_view prefix) const {
        int n = 0;
        for (const Line& l : all)
            if (Message(l).starts_with(prefix)) ++n;
        return n;
    }

    std::vector<Line> lines;  // the memo as it stands
    std::vector<Line> all;    // every line ever added
    int clears = 0;
    std::string addressLabel;
    std::string imageStatus;
};

class ProgrammingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(tc->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
        tc->general.ProtocolVariant = 4;
        std::string error;
        ASSERT_TRUE(device.Open(1, kPgTextMode, error));
        BindChannel(*tc, tc->emse1, device);
        pg = std::make_unique<Programming>(*tc, view, ProgrammingDialogs{});
    }
    void Rebuild(ProgrammingDialogs dialogs) {
        pg.reset();
        pg = std::make_unique<Programming>(*tc, view, std::move(dialogs));
    }
    std::string Txt(int n) { return std::string(tc->Txt(n)); }
    void FillMemory(std::uint32_t start, std::size_t n, std::uint8_t seed) {
        for (std::size_t i = 0; i < n; ++i)
            device.memory[(start + i) & 0xFFFF] = static_cast<std::uint8_t>(seed + i * 7);
    }

    TestContext tc;
    ScriptedDevice device{tc.loop};
    RecordingView view;
    std::unique_ptr<Programming> pg;
};

}  // namespace vadrix::testing
