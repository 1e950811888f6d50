#pragma once
// Drives the engine from the Qt main loop: the main timer (requested at 54 ms; the engine
// measures what it really gets), the modem lines of the ports polled each tick, and a hook
// after each tick for whoever shows the program. Port data, posted tasks and one-shot
// timers reach the main thread through the ports' notifiers and the event loop.

#include <QObject>
#include <QTimer>
#include <functional>
#include <vector>

#include "app/Engine.h"
#include "runtime/TermiosSerialPort.h"

namespace vadrix {

class EngineDriver : public QObject {
    Q_OBJECT
  public:
    EngineDriver(Engine& engine, QObject* parent = nullptr);

    // Ports whose modem lines the tick polls.
    void AddPort(TermiosSerialPort& port) { ports_.push_back(&port); }
    // Starts the engine (the stored online state follows six ticks later) and the timer.
    void Start();
    void Stop();
    bool Running() const { return timer_.isActive(); }

    std::function<void()> afterTick;

  private:
    void OnTimer();

    Engine& engine_;
    QTimer timer_;
    std::vector<TermiosSerialPort*> ports_;
};

}  // namespace vadrix
