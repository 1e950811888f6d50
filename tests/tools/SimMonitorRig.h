#pragma once
// The monitor device on a fake port, and the program's own reception of channel 1 in
// variant 1 behind it: what the device writes reaches the framer as the program's port
// would deliver it, and the telegrams the program composes reach the device.

#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "MonitorDevice.h"
#include "MonitorScenario.h"
#include "channel/Channel.h"
#include "channel/Framer.h"
#include "support/FakeClock.h"
#include "support/FakeSerialPort.h"
#include "support/TelegramSinks.h"
#include "support/TestContext.h"
#include "transmit/InterfaceTelegrams.h"

namespace vadrix::testing {

class MonitorRig {
  public:
    static constexpr std::uint32_t kStepMs = 5;

    explicit MonitorRig(const std::string& scenarioText, sim::MonitorOptions options = {}) {
        std::string error;
        EXPECT_TRUE(sim::ParseScenario(scenarioText, scenario, error)) << error;
        EXPECT_TRUE(port.Open(1, sim::kMonitorLineSettings, error)) << error;
        program->general.ProtocolVariant = 1;
        program->run.TestMode = true;  // answers of the device are stored too
        InitChannel(*program, program->emse1);
        program->channelHooks.sink = &sink;
        device = std::make_unique<sim::MonitorDevice>(port, clock, scenario, options);
        device->Tick(now);
        Deliver();
    }

    // Time passes on the device; what it writes reaches the program at once.
    void Run(std::uint32_t ms) {
        for (std::uint32_t t = 0; t < ms; t += kStepMs) {
            now += kStepMs;
            device->Tick(now);
            Deliver();
        }
    }
    void Deliver() {
        if (port.written.size() <= delivered_) return;
        const std::span<const std::uint8_t> fresh(port.written.data() + delivered_,
                                                  port.written.size() - delivered_);
        delivered_ = port.written.size();
        ReceiveBlock(*program, program->emse1, fresh);
    }
    // A record the program composed goes to the device.
    void FromProgram(const TTelegram& t) {
        device->Receive(
            std::span<const std::uint8_t>(t.Frame, static_cast<std::size_t>(t.FrameLen)));
        Deliver();
    }
    void FromProgram(const std::vector<std::uint8_t>& bytes) {
        device->Receive(bytes);
        Deliver();
    }
    // The program's configuration telegram for its line parameters.
    void Configure() {
        BuildConfigTelegram(*program, program->emse1);
        FromProgram(program->emse1.TxBuffer);
    }
    TLineParams& ProgramLine(int line) { return program->emse1.P.Line[line - 1]; }

    // The records of telegrams the program stored, and those of one envelope status.
    std::vector<TTelegram> Telegrams() const {
        std::vector<TTelegram> out;
        for (const TTelegram& r : sink.records)
            if (r.Kind == kind::kVariable) out.push_back(r);
        return out;
    }
    std::vector<TTelegram> WithStatus(std::uint8_t status) const {
        std::vector<TTelegram> out;
        for (const TTelegram& r : sink.records)
            if (r.Status == status) out.push_back(r);
        return out;
    }
    // The device texts the program stored.
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const TTelegram& r : WithStatus(rx_status::kDeviceText))
            out.emplace_back(reinterpret_cast<const char*>(r.Frame + 1), r.Frame[0]);
        return out;
    }

    FakeSerialPort port;
    FakeClock clock;
    sim::MonitorScenario scenario;
    TestContext program;
    RecordingSink sink;
    std::unique_ptr<sim::MonitorDevice> device;
    std::uint32_t now = 1000;

  private:
    std::size_t delivered_ = 0;
};

}  // namespace vadrix::testing
