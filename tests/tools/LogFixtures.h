#pragma once
// Tiny logs for the tool tests, made the way the program makes them: frames received on a
// channel in protocol variant 2 and stored in the live log, with an event and a day change.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/TimeBase.h"
#include "channel/Channel.h"
#include "channel/Framer.h"
#include "log/TelLog.h"
#include "support/Frames.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix::testing {

// A long telegram of station 1 with sequence number seq, data kind and telegram number.
inline Bytes LongFrame(int seq, int dataKind, int telNo, std::uint8_t data0) {
    return Variable({1, static_cast<std::uint8_t>((seq & 31) | (dataKind << 6)),
                     static_cast<std::uint8_t>(telNo & 0xFF),
                     static_cast<std::uint8_t>((telNo >> 8) & 3), data0, 0x5A});
}

// A context in variant 2 with both channels at 9600 baud and station 1, writing its live log
// into file; the fake clock stands at 23:59:58 of 10 December 2026.
class FixtureRecorder {
  public:
    explicit FixtureRecorder(const std::filesystem::path& file) {
        tc.clock.now = {2026, 12, 10, 23, 59, 58, 0};
        tc->run.ClockOffsetMs = (23 * 3600 + 59 * 60 + 58) * 1000;
        tc->general.ProtocolVariant = 2;
        tc->general.LogSize = 1;
        DeriveChannel2(*tc);
        for (TEmSe* ch : {&tc->emse1, &tc->emse2}) {
            ch->P.Baud = 9600;
            ch->P.StationAddr[0] = 1;
            ch->P.StationCount = 1;
        }
        tc->emse1.P.ComNumber = 1;
        tc->emse2.P.ComNumber = 2;
        InitChannel(*tc, tc->emse1);
        InitChannel(*tc, tc->emse2);
        tc->run.LogFilePath = file;
        tc->log.SetRingBlocks(2);
        tc->log.Create();
    }
    // Bytes received on a channel, then a pause past every deadline.
    void Receive(TEmSe& ch, const Bytes& bytes, std::uint32_t pauseMs = 500) {
        ReceiveBlock(*tc, ch, bytes);
        tc.clock.Advance(pauseMs);
        if (tc.clock.now.hour == 0) tc.clock.now.day = 11;  // the fake clock keeps its date
        ChannelTick(*tc, ch);
    }
    void Event(std::uint8_t code) {
        TTelegram t{};
        t.Kind = kind::kEvent;
        t.Status = code;
        t.Source = source::kE2;
        tc->log.Store(t);
    }
    // Flushed but not finished, as a running program leaves its log.
    void Flush() { tc->log.FlushNow(); }
    void Finish() { tc->log.Close(); }

    TestContext tc;
};

// Twelve good telegrams on both channels, a checksum error, loose bytes and a port event,
// across midnight.
inline void RecordMixed(FixtureRecorder& r) {
    TEmSe& e1 = r.tc->emse1;
    TEmSe& e2 = r.tc->emse2;
    r.Event(48);
    for (int i = 0; i < 6; ++i) {
        r.Receive(e2, LongFrame(i + 1, i % 4, 0x100 + i, static_cast<std::uint8_t>(0x10 * i)));
        r.Receive(e1, LongFrame(i + 1, 2, 0x3FF - i, 0xA5));
    }
    Bytes bad = LongFrame(7, 0, 0x123, 0x42);
    bad[bad.size() - 2] ^= 0xFF;
    r.Receive(e2, bad);
    r.Receive(e2, {0x01, 0x02, 0x03});
}

// The log of RecordMixed, finished or flushed only, as a running program leaves it.
inline void MakeMixedLog(const std::filesystem::path& file, bool finish = true) {
    std::vector<std::uint8_t> unfinished;
    {
        FixtureRecorder r(file);
        RecordMixed(r);
        if (finish) return;
        r.Flush();
        unfinished = ReadFileBytes(file);
    }
    // The recorder finishes its log when it ends; put back what a running program leaves.
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(unfinished.data()),
               static_cast<std::streamsize>(unfinished.size()));
}

// The records of a log file, in order.
inline std::vector<TTelegram> LogRecords(const std::filesystem::path& file) {
    TestContext tc;
    std::vector<TTelegram> v;
    if (!tc->log.Open(file, false)) return v;
    tc->log.OpenView();
    tc->log.ViewToStart();
    if (tc->log.ViewRecord().RecLen == 0) return v;
    do v.push_back(tc->log.ViewRecord());
    while (tc->log.StepForward());
    return v;
}

inline std::vector<int> LogStatuses(const std::filesystem::path& file) {
    std::vector<int> s;
    for (const TTelegram& t : LogRecords(file)) s.push_back(t.Status);
    return s;
}

}  // namespace vadrix::testing
