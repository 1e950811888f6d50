#include "runtime/EngineDriver.h"

namespace vadrix {

EngineDriver::EngineDriver(Engine& engine, QObject* parent) : QObject(parent), engine_(engine) {
    // A coarse timer would stretch the period far past what the protocol's time-outs assume.
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kTickRequestMs);
    connect(&timer_, &QTimer::timeout, this, &EngineDriver::OnTimer);
}

void EngineDriver::Start() {
    engine_.Start();
    timer_.start();
}

void EngineDriver::Stop() {
    timer_.stop();
}

void EngineDriver::OnTimer() {
    for (TermiosSerialPort* port : ports_) port->PollModem();
    engine_.Tick();
    if (afterTick) afterTick();
}

}  // namespace vadrix
