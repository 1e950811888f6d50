#pragma once
// A context with both channels derived and bound to fake ports, a recording log and frame
// builders for the protocol's frames.

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "channel/Channel.h"
#include "channel/CheckBits.h"
#include "channel/Framer.h"
#include "support/FakeSerialPort.h"
#include "support/Frames.h"
#include "support/TelegramSinks.h"
#include "support/TestContext.h"

namespace vadrix::testing {

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// An envelope frame of the monitor device: kind, line, device status, bit count and bits.
inline Bytes Envelope(std::uint8_t kind, std::uint8_t line, std::uint8_t deviceStatus,
                      std::uint8_t bitCount, const Bytes& bits) {
    Bytes payload{kind, line, deviceStatus, bitCount};
    payload.insert(payload.end(), bits.begin(), bits.end());
    return Variable(payload);
}

// The bits of a monitored long telegram (length code 0, 49 data bits) with its check bits.
inline Bytes MonitoredBits(int checkKind, std::uint8_t station, int seq, int dataKind, int telNo) {
    Bytes bits(16, 0);
    const Bytes link = LongPayload(station, seq, dataKind, telNo, 0x5A);
    std::copy(link.begin(), link.end(), bits.begin());
    const int d = 49;
    AppendCheckBits(bits, d, checkKind);
    bits.resize(static_cast<std::size_t>((d + CheckBitCount(checkKind) + 7) / 8));
    return bits;
}

// Not a fixture itself, so that table-driven tests can build a fresh one per case.
// The bits of a monitored short telegram: 11 data bits and two parity bits.
inline Bytes ShortBits(std::uint8_t station, std::uint8_t function) {
    Bytes bits{static_cast<std::uint8_t>(station | ((function & 1) << 7)),
               static_cast<std::uint8_t>((function >> 1) & 7)};
    AppendCheckBits(bits, 11, 2);
    return bits;
}

class ReceptionRig {
  public:
    // Sets the mode and the channel function, then opens channel 2 (channel 1 in the
    // envelope variants) on its fake port.
    void Start(int variant, std::uint32_t function = 0, int trafficKind = 0) {
        tc->general.ProtocolVariant = variant;
        tc->general.TrafficKind = trafficKind;
        tc->channelHooks.sink = &sink;
        DeriveChannel2(*tc);
        for (TEmSe* ch : {&tc->emse1, &tc->emse2}) {
            ch->P.Baud = 9600;
            ch->P.Function = function;
            ch->P.StationAddr[0] = 1;
            ch->P.StationCount = 1;
        }
        tc->emse1.P.ComNumber = 1;
        tc->emse2.P.ComNumber = 2;
        BindChannel(*tc, tc->emse1, port1);
        BindChannel(*tc, tc->emse2, port2);
        std::string error;
        ASSERT_TRUE(OpenPorts(*tc, error)) << error;
        sink.records.clear();
    }
    bool EnvelopeMode() { return tc->general.ProtocolVariant <= 1; }
    TEmSe& Ch() { return EnvelopeMode() ? tc->emse1 : tc->emse2; }
    FakeSerialPort& Port() { return EnvelopeMode() ? port1 : port2; }

    void Feed(const Bytes& bytes) { Port().Inject(bytes); }
    // Lets the receive deadline pass and runs one timer tick.
    void Pause(std::uint32_t ms = 1000) {
        tc.clock.Advance(ms);
        ChannelTick(*tc, Ch());
    }
    std::vector<int> Statuses() const {
        std::vector<int> s;
        for (const TTelegram& r : sink.records) s.push_back(r.Status);
        return s;
    }
    const TTelegram& Last() const { return sink.records.back(); }

    TestContext tc;
    RecordingSink sink;
    FakeSerialPort port1;
    FakeSerialPort port2;
};

class ReceptionTest : public ::testing::Test, public ReceptionRig {};

}  // namespace vadrix::testing
