#pragma once
// A log of mixed records for the benchmarks and the output tests: telegrams of every source and
// data kind, errors, loose bytes and events, made once per size in a temporary folder.

#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "app/Context.h"
#include "log/TelLog.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix::testing {

inline const double kDay = 46366.0;

// A variant 2 telegram: 68 L L 68, station, control, telegram number, data, sum, 16.
inline TTelegram Telegram(std::mt19937& rng, int i) {
    TTelegram t{};
    t.Kind = kind::kVariable;
    t.Status = status::kGood;
    t.Source = static_cast<std::uint8_t>(1 + i % 4);
    const int dataBytes = 2 + static_cast<int>(rng() % 9);
    const int len = 4 + dataBytes;
    t.Station = static_cast<std::uint8_t>(1 + rng() % 20);
    t.DataKind = static_cast<std::uint8_t>(rng() % 4);
    t.TelNo = static_cast<std::uint16_t>(rng() % 1024);
    t.LenCode = static_cast<std::uint8_t>(rng() % 4);
    std::uint8_t* f = t.Frame;
    f[0] = f[3] = 0x68;
    f[1] = f[2] = static_cast<std::uint8_t>(len);
    f[4] = t.Station;
    f[5] = static_cast<std::uint8_t>((1 + i % 30) | (t.DataKind << 6));
    f[6] = static_cast<std::uint8_t>(t.TelNo & 0xFF);
    f[7] = static_cast<std::uint8_t>((t.TelNo >> 8) | (t.LenCode << 2));
    std::uint8_t sum = 0;
    for (int b = 0; b < dataBytes; ++b) f[8 + b] = static_cast<std::uint8_t>(rng());
    for (int b = 4; b < 4 + len; ++b) sum = static_cast<std::uint8_t>(sum + f[b]);
    f[4 + len] = sum;
    f[5 + len] = 0x16;
    t.FrameLen = static_cast<std::int16_t>(len + 6);
    return t;
}

inline TTelegram Mixed(std::mt19937& rng, int i) {
    TTelegram t = Telegram(rng, i);
    switch (i % 20) {
        case 7:
            t.Status = 28;  // checksum
            break;
        case 13:
            t.Status = 5;  // loose bytes
            t.Kind = 0;
            t.FrameLen = 7;
            break;
        case 19:
            t.Kind = kind::kEvent;
            t.Status = status::kPortOpened;
            t.FrameLen = 0;
            break;
        default:
            break;
    }
    t.Time = kDay + 0.99 + i * 1e-7;  // crosses midnight
    t.SeqNo = i + 1;
    return t;
}

inline TempDir& Dir() {
    static TempDir dir;
    return dir;
}

inline const std::filesystem::path& MixedLog(int records) {
    static std::map<int, std::filesystem::path> made;
    auto& file = made[records];
    if (!file.empty()) return file;
    file = Dir() / ("mixed" + std::to_string(records) + ".lg8");
    TestContext tc;
    tc->general.ProtocolVariant = 2;
    TTelLog writer(*tc, TTelLog::Role::kWriter);
    writer.AssignFile(file);
    writer.SetRingBlocks(1);
    writer.Create();
    std::mt19937 rng(11);
    for (int i = 0; i < records; ++i) writer.AppendRecord(Mixed(rng, i));
    writer.Finish();
    return file;
}

}  // namespace vadrix::testing
