#pragma once
// The simulator's end of a pseudo-terminal pair. The program opens the slave device as its
// serial port; the simulator reads and writes the master. The character format belongs to
// the slave, which the program sets, so Apply only remembers what the device would use.

#include <QSocketNotifier>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "channel/SerialPort.h"

namespace vadrix::sim {

class PtyMasterPort : public SerialPort {
  public:
    // Output the program has not taken is kept up to this size.
    static constexpr std::size_t kOutputLimit = 1 << 16;

    PtyMasterPort() = default;
    ~PtyMasterPort() override;
    PtyMasterPort(const PtyMasterPort&) = delete;
    PtyMasterPort& operator=(const PtyMasterPort&) = delete;

    // Creates the pair; the slave's path is what the program opens.
    bool Create(std::string& error);
    const std::string& SlavePath() const { return slavePath_; }

    bool Open(int, const SerialSettings& settings, std::string& error) override;
    void Close() override;
    bool IsOpen() const override { return master_ >= 0; }
    void Apply(const SerialSettings& settings) override { settings_ = settings; }
    const SerialSettings& Settings() const { return settings_; }

    void SetDataHandler(DataHandler handler) override { data_ = std::move(handler); }
    std::size_t Available() const override { return input_.size() - inputPos_; }
    std::size_t Read(std::span<std::uint8_t> buf) override;
    std::uint8_t TakeLineError() override { return 0; }
    bool TakeBreak() override { return false; }

    std::uint8_t ModemStatus() override { return 0; }
    std::uint16_t AddModemTrigger() override { return 1; }
    void ArmModemTrigger(std::uint16_t, std::uint8_t) override {}
    void SetStatusHandler(StatusHandler) override {}

    void Write(std::span<const std::uint8_t> bytes) override;
    std::size_t OutputPending() const override;
    void SetRts(bool) override {}
    void SetDtr(bool) override {}

  private:
    void OnReadable();
    void Flush();

    int master_ = -1;
    // Held open so that the master never sees a hang-up while the program has the slave
    // closed, e.g. between two runs.
    int slaveHold_ = -1;
    std::string slavePath_;
    SerialSettings settings_;
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;
    DataHandler data_;
    std::vector<std::uint8_t> input_;
    std::size_t inputPos_ = 0;
    std::vector<std::uint8_t> output_;
};

}  // namespace vadrix::sim
