#pragma once
// A serial port on a POSIX terminal device: data events on the main thread through a socket
// notifier, input marking decoded into line errors and breaks, modem lines polled by the
// main timer.

#include <QSocketNotifier>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "channel/PortTable.h"
#include "channel/SerialPort.h"
#include "runtime/SerialLine.h"

namespace vadrix {

class TermiosSerialPort : public SerialPort {
  public:
    // Input the program has not read is kept up to this size; more is a buffer overflow.
    static constexpr std::size_t kInputLimit = 1 << 20;

    explicit TermiosSerialPort(const PortTable& table) : table_(table) {}
    ~TermiosSerialPort() override;
    TermiosSerialPort(const TermiosSerialPort&) = delete;
    TermiosSerialPort& operator=(const TermiosSerialPort&) = delete;

    bool Open(int portNumber, const SerialSettings& settings, std::string& error) override;
    void Close() override;
    bool IsOpen() const override { return fd_ >= 0; }
    void Apply(const SerialSettings& settings) override;

    void SetDataHandler(DataHandler handler) override { data_ = std::move(handler); }
    std::size_t Available() const override { return input_.size() - inputPos_; }
    std::size_t Read(std::span<std::uint8_t> buf) override;
    std::uint8_t TakeLineError() override;
    bool TakeBreak() override;

    std::uint8_t ModemStatus() override;
    std::uint16_t AddModemTrigger() override;
    void ArmModemTrigger(std::uint16_t trigger, std::uint8_t mask) override;
    void SetStatusHandler(StatusHandler handler) override { status_ = std::move(handler); }
    void SetLostHandler(LostHandler handler) override { lost_ = std::move(handler); }

    void Write(std::span<const std::uint8_t> bytes) override;
    std::size_t OutputPending() const override;
    void SetRts(bool on) override;
    void SetDtr(bool on) override;

    // Called by the main timer on each tick: a change of an armed trigger's lines fires
    // its one status event.
    void PollModem();
    const std::string& Device() const { return device_; }
    int Descriptor() const { return fd_; }
    // The last error of applying settings while open; empty when they took.
    const std::string& LastError() const { return lastError_; }

  private:
    void OnReadable();
    void Lose(const std::string& why);
    void OnWritable();
    void Deliver(std::uint8_t b);
    void MarkedError(serial_line::MarkDecoder::Item item, std::uint8_t b);
    void CheckCounters();
    void FlushOutput();

    const PortTable& table_;
    std::string device_;
    std::string lastError_;
    int fd_ = -1;
    SerialSettings settings_;
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;
    DataHandler data_;
    StatusHandler status_;
    LostHandler lost_;
    bool gone_ = false;  // the device went away; silent until closed

    std::vector<std::uint8_t> input_;
    std::size_t inputPos_ = 0;
    std::vector<std::uint8_t> output_;
    serial_line::MarkDecoder marks_;
    std::uint8_t lineError_ = 0;
    bool break_ = false;
    bool haveCounters_ = false;
    serial_line::ErrorCounters counters_;

    std::uint8_t levels_ = 0;
    std::uint8_t changed_ = 0;
    std::uint16_t trigger_ = 0;
    std::uint16_t nextTrigger_ = 1;
    std::uint8_t armedMask_ = 0;
};

}  // namespace vadrix
