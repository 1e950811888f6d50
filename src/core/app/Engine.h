#pragma once
// The engine paces the whole program: one main-timer tick advances both channels (LEDs,
// receive deadlines, the transmit step), feeds the online display, starts send items at
// their minutes, begins the daily log, keeps the tick period measured and takes the program
// offline on a log write error or a raised fault. It also opens and closes the ports when
// the program goes online or offline. The window and the headless recorder drive the same
// engine; whatever drives it calls Tick on the main thread about every 54 ms.

#include <functional>
#include <string>

#include "app/Context.h"

namespace vadrix {

// The requested main-timer period; the measured one is kept within 45..70 ms.
inline constexpr int kTickRequestMs = 54;
inline constexpr std::uint32_t kTickPeriodMin = 45;
inline constexpr std::uint32_t kTickPeriodMax = 70;
// The stored online state is applied this many ticks after start.
inline constexpr std::uint32_t kOnlineApplyDelay = 6;

// What the engine tells whoever shows the program.
struct EngineHooks {
    // Draw what the online display queue holds; p paces the drawing.
    std::function<void(int p)> onlineDisplayStep;
    // The online state, the status and the captions changed.
    std::function<void()> refresh;
    // A new log was begun or opened: show the online display.
    std::function<void()> showOnlineDisplay;
    // The ports' errors when going online (one line each).
    std::function<void(const std::string&)> portError;
};

class Engine {
  public:
    // Wires the transmit side into the channels; the context must outlive the engine.
    explicit Engine(Context& ctx);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // After the program's start: the stored online state is applied six ticks later.
    void Start();
    // One main-timer tick.
    void Tick();

    void SetOnline(bool on);
    // Opens or closes the ports as Online says.
    void ApplyOnline();
    // The online command: toggles; going online clears the counters and takes the live
    // log's name of today.
    void ToggleOnline();
    // The offline command.
    void GoOffline();
    // Closes the log and begins a new one under today's name.
    void BeginDailyLog();
    // Marks the log with a text and clears the counters (the reset command).
    void ResetCounters();

    EngineHooks hooks;

  private:
    void MinuteCheck();
    void MeasurePeriod();
    int DisplayStepParameter();
    void CheckFaultRecord();
    void GoOfflineAfterFault();
    void OnPortLost(TEmSe& ch, const std::string& why);
    void Refresh();
    std::filesystem::path LiveLogName();
    void ReopenLiveLog();

    Context& ctx_;
};

}  // namespace vadrix
