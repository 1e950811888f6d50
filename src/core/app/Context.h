#pragma once
// The context of one running program: it owns both channels, the log, the settings, the
// run state, the text table, the general parameters and the send tables. Every executable
// and every test builds its own.

#include <functional>
#include <memory>

#include "channel/ChannelHooks.h"
#include "channel/EmSe.h"
#include "common/Clock.h"
#include "common/EventLoop.h"
#include "common/GeneralParams.h"
#include "common/RunState.h"
#include "common/SendItems.h"
#include "common/Settings.h"
#include "common/TextTable.h"
#include "common/UserInterface.h"
#include "filters/Filter.h"
#include "log/LogSink.h"
#include "log/TelLog.h"

namespace vadrix {

struct TransferFile;

// What the transmit side tells the windows.
struct TransmitHooks {
    // A send list completed a pass: its editor (the window number kept in the list) is told;
    // false when the window is gone.
    std::function<bool(int list, int window)> listPassDone;
};

struct Context {
    // Reception stores into the live log unless a test wires another sink; the log applies
    // the filters' test.
    Context(Clock& c, EventLoop& l, UserInterface& u) : clock(c), loop(l), ui(u) {
        channelHooks.sink = &logSink;
        InstallFilterTest(log);
    }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    Clock& clock;
    EventLoop& loop;
    UserInterface& ui;

    TTextTable texts;
    TSettings settings;
    TRunState run;
    TGeneralParams general;
    TSendTelegramTable sendTelegrams;
    TSendListTable sendLists;
    TEmSe emse1;
    TEmSe emse2;
    ChannelHooks channelHooks;  // where reception hands telegrams and bytes
    TransmitHooks transmitHooks;
    std::shared_ptr<TransferFile> transfer;  // a file being sent to the monitor device
    TTelLog log{*this};  // declared late: it finishes its file while the rest still lives
    LogSink logSink{log};

    std::string_view Txt(int n) const { return texts.Txt(n); }
};

}  // namespace vadrix
