#pragma once
// A serial port the test drives: it injects bytes, line errors, breaks and modem changes and
// records what the program wrote and switched.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "channel/SerialPort.h"

namespace vadrix::testing {

class FakeSerialPort : public SerialPort {
  public:
    bool Open(int portNumber, const SerialSettings& settings, std::string& error) override;
    void Close() override;
    bool IsOpen() const override { return open_; }
    void Apply(const SerialSettings& settings) override { this->settings = settings; }

    void SetDataHandler(DataHandler handler) override { data_ = std::move(handler); }
    std::size_t Available() const override { return input_.size(); }
    std::size_t Read(std::span<std::uint8_t> buf) override;
    std::uint8_t TakeLineError() override;
    bool TakeBreak() override;

    std::uint8_t ModemStatus() override;
    std::uint16_t AddModemTrigger() override;
    void ArmModemTrigger(std::uint16_t trigger, std::uint8_t mask) override;
    void SetStatusHandler(StatusHandler handler) override { status_ = std::move(handler); }

    void Write(std::span<const std::uint8_t> bytes) override;
    std::size_t OutputPending() const override { return outputPending; }
    void SetRts(bool on) override {
        rts = on;
        rtsLevels.push_back(on);
    }
    void SetDtr(bool on) override { dtr = on; }

    // Bytes arrive and one data event announces them.
    void Inject(std::span<const std::uint8_t> bytes);
    void Inject(std::initializer_list<std::uint8_t> bytes);
    // The next reads of the line error and break flag report these.
    void InjectLineError(std::uint8_t code) { lineErrors_.push_back(code); }
    void InjectBreak() { break_ = true; }
    // A line error or break that comes with no data byte still raises a data event.
    void SignalLineError(std::uint8_t code);
    void SignalBreak();
    // New levels of the modem lines (bits 0x10..0x80); fires an armed trigger whose lines
    // changed.
    void SetModemLevels(std::uint8_t levels);

    // Settings, failures and records for the test.
    SerialSettings settings;
    int openedPort = 0;
    int openCount = 0;
    std::string failOpenWith;  // a non-empty text makes Open fail with it
    std::vector<std::uint8_t> written;
    std::vector<std::vector<std::uint8_t>> writes;  // each Write as one block
    std::vector<bool> rtsAtWrite;                   // the RTS level at each Write
    std::vector<bool> rtsLevels;                    // every level RTS was set to
    std::size_t outputPending = 0;
    bool rts = false;
    bool dtr = false;
    std::uint8_t armedMask = 0;
    int statusEvents = 0;

  private:
    bool open_ = false;
    DataHandler data_;
    StatusHandler status_;
    std::deque<std::uint8_t> input_;
    std::deque<std::uint8_t> lineErrors_;
    bool break_ = false;
    std::uint8_t levels_ = 0;
    std::uint8_t changed_ = 0;
    std::uint16_t trigger_ = 0;
    std::uint16_t nextTrigger_ = 1;
};

}  // namespace vadrix::testing
