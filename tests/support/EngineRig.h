#pragma once
// The engine over a context with both channels bound to fake ports: the test steps the main
// timer by hand and reads what each channel put on its line and into the log, with the tick
// at which it happened.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/Engine.h"
#include "channel/Channel.h"
#include "channel/TelegramSink.h"
#include "support/FakeSerialPort.h"
#include "support/TestContext.h"

namespace vadrix::testing {

// Keeps every stored record with the tick count at which it was stored.
class TickedSink : public TelegramSink {
  public:
    struct Entry {
        std::uint32_t tick;
        TTelegram rec;
    };
    void Store(TTelegram& rec) override { entries.push_back({run ? run->TickCount : 0, rec}); }

    const TRunState* run = nullptr;
    std::vector<Entry> entries;
};

// A short text for a sent telegram: "R<station>/<code>" for a short request, "T<object>@
// <station>" for a data telegram, "ACK" for the empty acknowledgement; a record code other
// than 40 follows after "!".
inline std::string Describe(const TTelegram& t) {
    std::string s;
    if (t.FrameLen == 5 && t.Frame[0] == 0x10) {
        const int code = (t.Frame[1] >> 7) | ((t.Frame[2] & 7) << 1);
        s = "R" + std::to_string(t.Frame[1] & 0x7F) + "/" + std::to_string(code);
    } else if (t.FrameLen == 1) {
        s = "ACK";
    } else {
        s = "T" + std::to_string(t.TelNo) + "@" + std::to_string(t.Station);
    }
    if (t.Status != status::kGood) s += "!" + std::to_string(t.Status);
    return s;
}

class EngineRig {
  public:
    static constexpr std::uint32_t kTickMs = 60;

    EngineRig() {
        sink.run = &tc->run;
        tc.clock.autoStep = 1;  // busy waits finish
        tc->channelHooks.sink = &sink;
    }

    // Variant 2 on both ports at 9600 baud, station 1 on channel 1 and 2 on channel 2.
    void Configure(int variant = 2, std::uint32_t function1 = 0, std::uint32_t function2 = 0,
                   int trafficKind = 0) {
        tc->general.ProtocolVariant = variant;
        tc->general.TrafficKind = trafficKind;
        DeriveChannel2(*tc);
        for (TEmSe* ch : {&tc->emse1, &tc->emse2}) ch->P.Baud = 9600;
        tc->emse1.P.ComNumber = 1;
        tc->emse2.P.ComNumber = 2;
        tc->emse1.P.Function = function1;
        tc->emse2.P.Function = function2;
        BindChannel(*tc, tc->emse1, port1);
        BindChannel(*tc, tc->emse2, port2);
    }
    void SetStations(TEmSe& ch, std::initializer_list<std::uint16_t> stations) {
        int i = 0;
        for (const std::uint16_t s : stations) ch.P.StationAddr[i++] = s;
        ch.P.StationCount = i;
    }

    // Goes online (the ports open and the channels are set up) and forgets the port events.
    void GoOnline() {
        engine.SetOnline(true);
        ASSERT_EQ(tc->settings.Online, 1);
        ASSERT_EQ(tc->emse1.PortOpen, 1);
        sink.entries.clear();
    }

    // One main-timer period: the time passes, the main loop handles what is pending (timers,
    // posted transmit steps), then the timer ticks.
    void Tick() {
        tc.clock.Advance(kTickMs);
        tc.loop.ProcessPending();
        engine.Tick();
    }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) Tick();
    }
    // Bytes arrive on a port and the main loop runs the transmit step reception posted.
    void Receive(FakeSerialPort& port, const std::vector<std::uint8_t>& bytes) {
        port.Inject(bytes);
        tc.loop.ProcessPending();
    }

    // The telegrams a channel sent (events left out), in order.
    std::vector<TickedSink::Entry> SentEntries(const TEmSe& ch) const {
        std::vector<TickedSink::Entry> out;
        for (const TickedSink::Entry& e : sink.entries) {
            const TTelegram& r = e.rec;
            if (r.Source == ch.TxSource && r.Kind != kind::kEvent && r.Kind != kind::kLineEvent)
                out.push_back(e);
        }
        return out;
    }
    std::vector<std::string> Sent(const TEmSe& ch) const {
        std::vector<std::string> out;
        for (const TickedSink::Entry& e : SentEntries(ch)) out.push_back(Describe(e.rec));
        return out;
    }
    // Event records of a code, in order.
    std::vector<TickedSink::Entry> Events(std::uint8_t code) const {
        std::vector<TickedSink::Entry> out;
        for (const TickedSink::Entry& e : sink.entries)
            if (e.rec.Status == code &&
                (e.rec.Kind == kind::kEvent || e.rec.Kind == kind::kLineEvent))
                out.push_back(e);
        return out;
    }

    FakeSerialPort port1;
    FakeSerialPort port2;
    TickedSink sink;
    TestContext tc;
    Engine engine{*tc};
};

// The 32-bit value of an event record, stored behind its channel id and address-length byte.
inline std::uint32_t EventValue(const TTelegram& r) {
    return ReadLe<std::uint32_t>(BytesOf(r), offsetof(TTelegram, Station));
}

}  // namespace vadrix::testing
