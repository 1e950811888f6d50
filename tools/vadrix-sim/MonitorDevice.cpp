#include "MonitorDevice.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>

#include "SimLog.h"
#include "app/Context.h"
#include "channel/CheckBits.h"
#include "common/Bytes.h"
#include "common/EventLoop.h"
#include "runtime/ConsoleUserInterface.h"
#include "transmit/Compose.h"
#include "transmit/InterfaceTelegrams.h"

namespace vadrix::sim {

namespace {

constexpr std::uint8_t kStart = 0x68;
constexpr std::uint8_t kStop = 0x16;
constexpr std::size_t kHeaderBytes = 8;  // start, length twice, start, four envelope bytes
constexpr std::size_t kMaxPayload = 251;
constexpr std::size_t kConfigFrameBytes = 58;
constexpr std::uint8_t kConfigBytes = 48;
constexpr int kConfigBlockBytes = 16;
constexpr std::uint8_t kBitsContent = 0x02;
constexpr std::uint8_t kWordsContent = 0x03;
// A frame whose next byte is this late is given up.
constexpr std::int32_t kInputGapMs = 200;
constexpr std::size_t kSendQueueLimit = 32;
constexpr std::size_t kMaxTextBytes = 200;

// Telegram types of the composer the scenario's telegrams take: their layout, and for
// counters and time telegrams the rule that steps the count or stamps the time.
constexpr std::int8_t kTypeIndications32 = 3;
constexpr std::int8_t kTypeTime = 5;
constexpr std::int8_t kTypeValues12x2 = 10;
constexpr std::int8_t kTypeValues12x4 = 11;
constexpr std::int8_t kTypeCounterBcd = 15;
constexpr std::int8_t kTypeCounterBinary = 16;
constexpr std::uint8_t kKind4 = 4;  // five data bytes
constexpr std::uint8_t kKind5 = 5;  // five data bytes: the time telegram's
constexpr std::uint8_t kKind6 = 6;  // nine data bytes

// A wrapping millisecond time has come.
bool Reached(std::uint32_t now, std::uint32_t t) {
    return static_cast<std::int32_t>(now - t) >= 0;
}

// Composition posts nothing and asks nobody.
class SilentLoop : public EventLoop {
  public:
    void Post(Task) override {}
    void ProcessPending() override {}
    TimerId StartOneShot(std::uint32_t, Task) override { return 1; }
    void CancelTimer(TimerId) override {}
};

const char* DataKindName(int kind) {
    static constexpr const char* kNames[4] = {"org", "spo", "zyk", "abg"};
    return kNames[kind & 3];
}

const char* ItemName(ItemKind what) {
    switch (what) {
        case ItemKind::kIndications:
            return "indications";
        case ItemKind::kMeasured:
            return "measured";
        case ItemKind::kCounter:
            return "counter";
        case ItemKind::kTime:
            return "time";
    }
    return "?";
}

std::uint32_t ToBcd(std::uint32_t v) {
    std::uint32_t r = 0;
    for (int i = 0; i < 7; ++i, v /= 10) r |= (v % 10) << (4 * i);
    return r;
}

// The definition a scenario item starts with.
TSendHeader DefinitionOf(const ScenarioItem& item, int station) {
    TSendHeader def{};
    TSendEntry& e = def.Entry;
    std::fill(std::begin(e.B), std::end(e.B), 0);
    e.TelNr = static_cast<std::uint16_t>(item.object);
    e.Da = static_cast<std::uint8_t>(item.dataKind);
    e.Lg = kKind4;
    const std::uint32_t count = static_cast<std::uint32_t>(station) * 1000 + 10;
    switch (item.what) {
        case ItemKind::kIndications:
            e.Typ = kTypeIndications32;
            break;
        case ItemKind::kMeasured:
            e.Typ = item.values == 2 ? kTypeValues12x2 : kTypeValues12x4;
            e.Lg = item.values == 2 ? kKind4 : kKind6;
            break;
        case ItemKind::kCounter:
            e.Typ = item.bcd ? kTypeCounterBcd : kTypeCounterBinary;
            PutLe32(e.B, item.bcd ? ToBcd(count) : count);
            break;
        case ItemKind::kTime:
            // The time within the current ten minutes in 10 ms steps, in data bytes 2 and 3.
            e.Typ = kTypeTime;
            e.Lg = kKind5;
            e.B[0] = 0x01;  // the station's clock is synchronised
            break;
    }
    return def;
}

int LineBits(int kind, int count) {
    return kind == envelope::kValueList ? 16 * count : count;
}

}  // namespace

// The program's composer on a channel of its own: variant 1, line S's address bytes and
// check code set to those of the line a telegram goes on, the control byte as given.
struct Composer {
    explicit Composer(Clock& clock) : ctx(clock, loop, ui) {
        ctx.general.ProtocolVariant = 1;
        ctx.run.UserDataOffset = kEnvelopeBitsPos;
        ctx.settings.Options[TSettings::kOptCounterIncrement] = 1;
        ctx.settings.Options[TSettings::kOptTimeTags] = 1;
        TEmSe& ch = ctx.emse1;
        ch.ChannelFunction = 0;
        ch.LinkTestFlags[kLinkTestExplicitControl] = true;
        ch.P.StationCount = 1;
    }

    SilentLoop loop;
    ConsoleUserInterface ui;
    Context ctx;
};

MonitorDevice::MonitorDevice(SerialPort& port, Clock& clock, const MonitorScenario& scenario,
                             const MonitorOptions& options)
    : port_(port),
      options_(options),
      composer_(std::make_unique<Composer>(clock)),
      values_(options.seed),
      faults_(options.seed + 1) {
    for (int line = 1; line <= kLineCount; ++line) lines_[line - 1].set = scenario.Line(line);
    for (const ScenarioStation& st : scenario.stations) {
        for (const ScenarioItem& item : st.items) {
            ItemState s;
            s.item = item;
            s.station = st.address;
            s.line = st.line;
            s.def = DefinitionOf(item, st.address);
            if (item.what == ItemKind::kIndications) PutLe32(s.def.Entry.B, values_());
            items_.push_back(s);
        }
    }
}

MonitorDevice::~MonitorDevice() = default;

void MonitorDevice::Start(std::uint32_t nowMs) {
    started_ = true;
    startMs_ = nowMs;
    for (LineState& l : lines_) l.freeAtMs = nowMs;
    // The stations do not all send at the same moment.
    for (std::size_t i = 0; i < items_.size(); ++i)
        items_[i].dueMs = nowMs + static_cast<std::uint32_t>(i * 370) % items_[i].item.periodMs;
    SimLog("monitor device: %zu telegrams of the scenario, faults %.3f, seed %u", items_.size(),
           options_.faultRate, options_.seed);
    SendText("vadrix-sim monitor device ready, waiting for its configuration");
}

void MonitorDevice::Tick(std::uint32_t nowMs) {
    nowMs_ = nowMs;
    if (!started_) Start(nowMs);
    if (!input_.empty() && static_cast<std::int32_t>(nowMs - lastInputMs_) > kInputGapMs) {
        SimLog("incomplete frame of %zu bytes dropped", input_.size());
        input_.clear();
    }
    for (int line = 1; line <= kLineCount; ++line) RunLine(line, nowMs);
}

void MonitorDevice::Stop() {
    if (receiving_) SimLog("file transfer left incomplete after %zu bytes", file_.size());
    SendText("vadrix-sim monitor device stopped");
    const MonitorCounts& c = counts_;
    SimError("monitor device: reported %u telegrams (%u damaged): E1 %u, S %u, E2 %u; %u texts",
             c.Reported(), c.damaged, c.reported[0], c.reported[1], c.reported[2], c.texts);
}

// --- What the program sends ------------------------------------------------------------

void MonitorDevice::Receive(std::span<const std::uint8_t> bytes) {
    lastInputMs_ = nowMs_;
    input_.insert(input_.end(), bytes.begin(), bytes.end());
    TakeFrames();
}

// Cuts whole frames from the input; bytes before a start byte or after a broken header are
// skipped.
void MonitorDevice::TakeFrames() {
    while (!input_.empty()) {
        if (input_[0] != kStart) {
            const auto next = std::find(input_.begin() + 1, input_.end(), kStart);
            skipped_ += static_cast<std::size_t>(next - input_.begin());
            input_.erase(input_.begin(), next);
            continue;
        }
        if (input_.size() < 4) break;
        const std::uint8_t len = input_[1];
        if (input_[2] != len || input_[3] != kStart || len < 4) {
            ++skipped_;
            input_.erase(input_.begin());
            continue;
        }
        const std::size_t need = len + 6u;
        if (input_.size() < need) break;
        const std::vector<std::uint8_t> frame(input_.begin(),
                                              input_.begin() + static_cast<std::ptrdiff_t>(need));
        input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(need));
        if (skipped_ > 0) {
            SimLog("%zu bytes outside frames ignored", skipped_);
            skipped_ = 0;
        }
        HandleFrame(frame);
    }
    if (skipped_ > 0 && input_.empty()) {
        SimLog("%zu bytes outside frames ignored", skipped_);
        skipped_ = 0;
    }
}

void MonitorDevice::HandleFrame(std::span<const std::uint8_t> frame) {
    const std::size_t n = frame.size();
    if (frame[n - 1] != kStop) return Refuse("a frame without its end byte");
    if (FrameChecksum(frame, static_cast<int>(n)) != frame[n - 2])
        return Refuse("a frame with a wrong checksum");
    switch (frame[4]) {
        case envelope::kAnswer:
            return TakeConfiguration(frame);
        case envelope::kFileBlock:
            return TakeFileBlock(frame);
        case envelope::kTelegram:
            return TakeTelegramToSend(frame);
        default:
            return Refuse("a frame of unknown kind " + std::to_string(frame[4]));
    }
}

void MonitorDevice::Refuse(const std::string& why) {
    SimLog("refused %s", why.c_str());
    SendText("refused " + why);
}

void MonitorDevice::TakeConfiguration(std::span<const std::uint8_t> frame) {
    if (frame.size() != kConfigFrameBytes || frame[7] != kConfigBytes) {
        SendFrame(envelope::kAnswer, 0, kDeviceFault, 0, {});
        return Refuse("a configuration of " + std::to_string(frame.size()) + " bytes");
    }
    const std::span<const std::uint8_t> config = frame.subspan(kHeaderBytes, kConfigBytes);
    std::string taken;
    bool refused = false;
    for (int line = 1; line <= kLineCount; ++line) {
        const std::uint8_t* b = config.data() + kConfigBlockBytes * (line - 1);
        const int rate = Le16(b + 2);
        const int check = b[6];
        LineSetting& set = lines_[line - 1].set;
        char part[96];
        if (rate >= kMinBitRate && rate <= kMaxBitRate && check <= 2) {
            set.bitRate = rate;
            set.checkCode = check;
            std::snprintf(part, sizeof part, "%s%s %d bit/s check %d", taken.empty() ? "" : ", ",
                          LineName(line), rate, check);
        } else {
            refused = true;
            std::snprintf(part, sizeof part, "%s%s refused (%d bit/s check %d)",
                          taken.empty() ? "" : ", ", LineName(line), rate, check);
        }
        taken += part;
    }
    configured_ = true;
    SendFrame(envelope::kAnswer, 0, refused ? kDeviceFault : 0, kConfigBytes, config);
    SimLog("configuration (variant %d) taken: %s", config[0], taken.c_str());
    SendText("configured: " + taken);
}

void MonitorDevice::TakeFileBlock(std::span<const std::uint8_t> frame) {
    const std::uint8_t block = frame[5];
    const std::uint8_t count = frame[7];
    if (count > kFileBlockBytes || frame.size() != count + 10u) {
        SendFrame(envelope::kBlockAnswer, block, kDeviceFault, 0, {});
        return Refuse("file block " + std::to_string(block) + " of a wrong length");
    }
    if (!receiving_) {
        receiving_ = true;
        nextBlock_ = block;
        file_.clear();
        SimLog("file transfer begins with block %d", block);
    } else if (block != nextBlock_) {
        SendFrame(envelope::kBlockAnswer, block, kDeviceFault, count, {});
        return Refuse("file block " + std::to_string(block) + " out of order, " +
                      std::to_string(nextBlock_) + " expected");
    }
    const auto data = frame.subspan(kHeaderBytes, count);
    file_.insert(file_.end(), data.begin(), data.end());
    nextBlock_ = (block + 1) & 0xFF;
    SendFrame(envelope::kBlockAnswer, block, 0, count, {});
    SimLog("file block %d: %d bytes", block, count);
    if (count == kFileBlockBytes) return;

    receiving_ = false;
    std::string where;
    if (!options_.fileOut.empty()) {
        std::ofstream out(options_.fileOut, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file_.data()),
                  static_cast<std::streamsize>(file_.size()));
        where = out ? ", written to " + options_.fileOut : ", not written to " + options_.fileOut;
    }
    SimLog("file received: %zu bytes%s", file_.size(), where.c_str());
    SendText("file received: " + std::to_string(file_.size()) + " bytes");
}

void MonitorDevice::TakeTelegramToSend(std::span<const std::uint8_t> frame) {
    const std::uint8_t content = frame[5];
    const int count = frame[7];
    const std::size_t have = frame.size() - 10;
    OnLine t;
    t.fromProgram = true;
    t.count = count;
    t.endMs = nowMs_;  // ready now
    std::size_t bytes = 0;
    if (content == kBitsContent) {
        t.kind = envelope::kTelegram;
        bytes = (static_cast<std::size_t>(count) + 7) / 8;
    } else if (content == kWordsContent) {
        t.kind = envelope::kValueList;
        bytes = 2 * static_cast<std::size_t>(count);
    } else {
        return Refuse("a telegram of unknown content " + std::to_string(content));
    }
    if (count == 0 || bytes > have) return Refuse("a telegram shorter than its count");
    LineState& s = lines_[kLineS - 1];
    if (s.fromProgram.size() >= kSendQueueLimit) return Refuse("a telegram: send queue full");
    t.payload.assign(frame.begin() + kHeaderBytes,
                     frame.begin() + static_cast<std::ptrdiff_t>(kHeaderBytes + bytes));
    t.what = t.kind == envelope::kValueList ? "program's " + std::to_string(count) + " words"
                                            : "program's telegram";
    s.fromProgram.push_back(std::move(t));
}

// --- The lines ---------------------------------------------------------------------------

void MonitorDevice::RunLine(int line, std::uint32_t nowMs) {
    LineState& l = lines_[line - 1];
    // Short telegrams on a fast line may begin and end within one tick.
    for (int guard = 0; guard < 64; ++guard) {
        if (l.busy) {
            if (!Reached(nowMs, l.current.endMs)) return;
            l.busy = false;
            l.freeAtMs = l.current.endMs;
            Report(line, l.current);
        }
        if (!StartNext(line, nowMs)) return;
    }
}

// The program's telegrams go before the scenario's on the send line; the scenario's wait
// until the device is configured, since only then does it know the lines' parameters.
bool MonitorDevice::StartNext(int line, std::uint32_t nowMs) {
    LineState& l = lines_[line - 1];
    OnLine next;
    std::uint32_t ready = nowMs;
    if (!l.fromProgram.empty()) {
        next = std::move(l.fromProgram.front());
        l.fromProgram.pop_front();
        ready = next.endMs;
    } else if (configured_) {
        ItemState* s = NextDueItem(line, nowMs);
        if (s == nullptr) return false;
        ready = s->dueMs;
        s->dueMs += s->item.periodMs;
        // A line that fell behind skips the cycles it missed.
        if (Reached(nowMs, s->dueMs)) s->dueMs = nowMs + s->item.periodMs;
        next = ComposeItem(*s, nowMs);
    } else {
        return false;
    }
    const std::uint32_t start = Reached(ready, l.freeAtMs) ? ready : l.freeAtMs;
    const int bits = LineBits(next.kind, next.count);
    const int rate = std::max(1, l.set.bitRate);
    const auto duration = static_cast<std::uint32_t>((bits * 1000 + rate - 1) / rate);
    next.endMs = start + duration;
    SimLog("%s: %s, %d bits in %u ms", LineName(line), next.what.c_str(), bits, duration);
    Damage(next, line);
    l.current = std::move(next);
    l.busy = true;
    return true;
}

MonitorDevice::ItemState* MonitorDevice::NextDueItem(int line, std::uint32_t nowMs) {
    ItemState* best = nullptr;
    for (ItemState& s : items_) {
        if (s.line != line || !Reached(nowMs, s.dueMs)) continue;
        if (best == nullptr || static_cast<std::int32_t>(s.dueMs - best->dueMs) < 0) best = &s;
    }
    return best;
}

MonitorDevice::OnLine MonitorDevice::ComposeItem(ItemState& s, std::uint32_t nowMs) {
    ChangeValues(s, nowMs);
    Context& ctx = composer_->ctx;
    TEmSe& ch = ctx.emse1;
    const LineSetting& set = lines_[s.line - 1].set;
    ch.P.AddrBytes[ch.TxSource - 1] = static_cast<std::uint32_t>(set.addressBytes);
    ch.P.Line[kLineS - 1].CheckCode = static_cast<std::uint32_t>(set.checkCode);
    ch.P.StationAddr[0] = static_cast<std::uint16_t>(s.station);
    s.def.StNr = 0;
    s.def.Ueb = 0;
    const int seq = NextSequence(s.station);
    s.def.Tfk = seq;
    ComposeTelegram(ctx, ch, TelegramDefinition{s.def});

    const TTelegram& t = ch.TxBuffer;
    OnLine o;
    o.kind = envelope::kTelegram;
    o.count = t.Frame[7];
    o.payload.assign(t.Frame + kHeaderBytes, t.Frame + std::max<int>(t.FrameLen - 2, 8));
    char what[96];
    std::snprintf(what, sizeof what, "station %d %s %d %s seq %d", s.station, ItemName(s.item.what),
                  s.item.object, DataKindName(s.item.dataKind), seq);
    o.what = what;
    return o;
}

// Indications: one of the 32 changes each time. Measured values: slow waves with a little
// noise. Counters step on and time telegrams take the time in the composer.
void MonitorDevice::ChangeValues(ItemState& s, std::uint32_t nowMs) {
    TSendEntry& e = s.def.Entry;
    if (s.item.what == ItemKind::kIndications) {
        const std::uint32_t word = Le32(e.B) ^ (1u << (values_() % 32));
        PutLe32(e.B, word);
        return;
    }
    if (s.item.what != ItemKind::kMeasured) return;
    const double t = (nowMs - startMs_) / 1000.0;
    for (int i = 0; i < s.item.values; ++i) {
        const double wave = std::sin(2 * std::numbers::pi * t / (40 + 13 * i) + i);
        const int noise = static_cast<int>(values_() % 13) - 6;
        const int v =
            std::clamp(static_cast<int>(std::lround(1000 * wave)) + 300 * i + noise, -2047, 2047);
        // A 12-bit value above four flag bits.
        PutLe16(e.B + 2 * i, static_cast<std::uint16_t>(static_cast<std::int16_t>(v * 16)));
    }
}

void MonitorDevice::Damage(OnLine& t, int line) {
    if (t.kind != envelope::kTelegram || options_.faultRate <= 0) return;
    const double draw = faults_() / 4294967296.0;
    if (draw >= options_.faultRate) return;
    Fault fault = forced_;
    if (fault == Fault::kNone) fault = static_cast<Fault>(1 + faults_() % 4);

    const int wasCount = t.count;
    const auto changeCount = [&] {
        // The count is one byte in the frame: the longest telegram can only lose a bit.
        if (faults_() % 2 == 0 || t.count >= 255) {
            // The device missed the last bit.
            SetBitAt(t.payload, t.count - 1, false);
            --t.count;
        } else {
            // It saw one bit more than was sent.
            t.payload.resize((static_cast<std::size_t>(t.count) + 8) / 8);
            SetBitAt(t.payload, t.count, (faults_() & 1) != 0);
            ++t.count;
        }
        t.payload.resize((static_cast<std::size_t>(t.count) + 7) / 8);
    };
    char how[96];
    switch (fault) {
        case Fault::kBitError: {
            // Any bit but the length code's, which would make the count look wrong instead.
            const int kindByte = 2 + std::clamp(lines_[line - 1].set.addressBytes, 0, 2);
            int bit = 0;
            do {
                bit = static_cast<int>(faults_() % static_cast<std::uint32_t>(t.count));
            } while (bit / 8 == kindByte && bit % 8 >= 2 && bit % 8 <= 4);
            SetBitAt(t.payload, bit, !BitAt(t.payload, bit));
            std::snprintf(how, sizeof how, "bit %d inverted (check bits wrong)", bit);
            break;
        }
        case Fault::kBitCount:
            changeCount();
            std::snprintf(how, sizeof how, "%d bits instead of %d", t.count, wasCount);
            break;
        case Fault::kDeviceStatus:
            t.status = kDeviceFault;
            std::snprintf(how, sizeof how, "device status %d", kDeviceFault);
            break;
        case Fault::kDeviceStatusAndBitCount:
            t.status = kDeviceFault;
            changeCount();
            std::snprintf(how, sizeof how, "device status %d and %d bits instead of %d",
                          kDeviceFault, t.count, wasCount);
            break;
        case Fault::kNone:
            return;
    }
    t.damaged = true;
    SimLog("%s: %s damaged: %s", LineName(line), t.what.c_str(), how);
}

void MonitorDevice::Report(int line, const OnLine& t) {
    SendFrame(t.kind, static_cast<std::uint8_t>(line), t.status, static_cast<std::uint8_t>(t.count),
              t.payload);
    ++counts_.reported[line - 1];
    if (t.damaged) ++counts_.damaged;
    // The program waits for the device to say that its telegram went out.
    if (t.fromProgram)
        SendFrame(envelope::kAnswer, static_cast<std::uint8_t>(line), 0,
                  static_cast<std::uint8_t>(t.count), {});
}

// --- Frames to the program ---------------------------------------------------------------

void MonitorDevice::SendFrame(std::uint8_t kind, std::uint8_t lineOrBlock, std::uint8_t status,
                              std::uint8_t count, std::span<const std::uint8_t> payload) {
    const std::size_t n = std::min(payload.size(), kMaxPayload);
    std::vector<std::uint8_t> f(kHeaderBytes + n + 2);
    f[0] = f[3] = kStart;
    f[1] = f[2] = static_cast<std::uint8_t>(4 + n);
    f[4] = kind;
    f[5] = lineOrBlock;
    f[6] = status;
    f[7] = count;
    std::copy_n(payload.begin(), n, f.begin() + kHeaderBytes);
    f[f.size() - 2] = FrameChecksum(f, static_cast<int>(f.size()));
    f[f.size() - 1] = kStop;
    port_.Write(f);
}

void MonitorDevice::SendText(const std::string& text) {
    const std::size_t n = std::min(text.size(), kMaxTextBytes);
    std::vector<std::uint8_t> payload;
    payload.push_back(static_cast<std::uint8_t>(n));
    payload.insert(payload.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
    SendFrame(envelope::kText, 0, 0, 0, payload);
    ++counts_.texts;
}

int MonitorDevice::NextSequence(int station) {
    int& s = sequence_[station & 0x7F];
    s = s % 30 + 1;
    return s;
}

}  // namespace vadrix::sim
