#include "StationDevice.h"

#include <algorithm>

#include "SimLog.h"

namespace vadrix::sim {

int NextSeq(int seq) {
    return seq >= 30 || seq < 1 ? 1 : seq + 1;
}

namespace {

// About an interval apart, at random, so that the stations do not change in step.
std::uint32_t NextChangeIn(std::mt19937& rng, std::uint32_t intervalMs) {
    const std::uint32_t half = std::max<std::uint32_t>(intervalMs / 2, 1);
    return std::uniform_int_distribution<std::uint32_t>(half, intervalMs + half)(rng);
}

void LogDamage(const StationLink& link) {
    if (link.LastDamage() != Damage::kNone)
        SimLog("  (sent damaged: %s)", DamageName(link.LastDamage()));
}

}  // namespace

StationDevice::StationDevice(SerialPort& port, const StationOptions& options)
    : link_(port, options.baud), options_(options), rng_(options.seed) {
    for (const int a : options.addresses) stations_.emplace_back(a);
    link_.SetFaults(options.faults, FaultSeed(options.seed));
    link_.SetHandler([this](const Heard& h) { OnTelegram(h); });
}

void StationDevice::Receive(std::span<const std::uint8_t> bytes) {
    link_.Receive(bytes);
}

void StationDevice::Tick(std::uint32_t nowMs) {
    nowMs_ = nowMs;
    link_.Tick(nowMs);
    if (!started_) {
        // Each station reports its whole state first.
        started_ = true;
        for (Station& s : stations_) {
            for (Report& r : s.values.All()) Queue(s, std::move(r));
            s.nextChange = nowMs + NextChangeIn(rng_, options_.intervalMs);
        }
        return;
    }
    for (Station& s : stations_) {
        if (static_cast<std::int32_t>(nowMs - s.nextChange) < 0) continue;
        s.nextChange = nowMs + NextChangeIn(rng_, options_.intervalMs);
        Queue(s, s.values.Change(rng_));
    }
}

void StationDevice::Stop() {
    const LinkCounts& c = link_.Counts();
    SimError("station: sent %u frames (%u damaged), received %u telegrams (%u faulty)", c.sent,
             c.damaged, c.heard, c.faulty);
}

std::size_t StationDevice::Queued(int address) const {
    for (const Station& s : stations_)
        if (s.address == address) return s.queue.size();
    return 0;
}

void StationDevice::Queue(Station& s, Report r) {
    // A station that is never polled keeps its newest changes.
    if (s.queue.size() >= kQueueLimit) s.queue.pop_front();
    s.queue.push_back(std::move(r));
}

StationDevice::Station* StationDevice::Find(int address) {
    for (Station& s : stations_)
        if (s.address == address) return &s;
    return nullptr;
}

void StationDevice::OnTelegram(const Heard& h) {
    if (h.status != kGoodFrame) {
        SimLog("received a faulty frame (status %d), ignored", h.status);
        return;
    }
    if (h.isShort && h.station == 0) {
        if (h.function == kShortAnnounce) OnGeneralPoll();
        return;
    }
    Station* s = Find(h.station);
    if (s == nullptr) return;  // another station's business
    if (h.isShort) {
        if (h.function != kShortAnnounce) OnPoll(*s, h.function);
        return;
    }
    OnMasterTelegram(*s, h);
}

void StationDevice::OnGeneralPoll() {
    // One station with data announces itself; the others wait for their own poll.
    for (std::size_t i = 0; i < stations_.size(); ++i) {
        Station& s = stations_[(announceNext_ + i) % stations_.size()];
        if (s.queue.empty()) continue;
        announceNext_ = (announceNext_ + i + 1) % stations_.size();
        link_.SendShort(s.address, kShortAnnounce);
        SimLog("general poll: station %d announces %zu telegrams", s.address, s.queue.size());
        LogDamage(link_);
        return;
    }
}

void StationDevice::OnPoll(Station& s, int function) {
    if (s.queue.empty()) {
        link_.SendShort(s.address, kShortPoll);
        SimLog("poll %d of station %d: nothing to send", function, s.address);
        LogDamage(link_);
        return;
    }
    // A polled station sends what it holds back, a few telegrams at a time, as the program's
    // own answering side sends its due items one after the other.
    for (std::size_t i = 0; i < kBurst && !s.queue.empty(); ++i) SendNext(s, function);
}

void StationDevice::SendNext(Station& s, int function) {
    const Report r = std::move(s.queue.front());
    s.queue.pop_front();
    // Until the master restarts the numbering every telegram carries the reset number.
    int seq = s.last;
    if (s.last != 31) {
        seq = NextSeq(s.last);
        s.last = seq;
        // Reaching the acknowledged number asks the master for an acknowledgement.
        if (seq == s.stop) s.toggle = true;
    }
    std::vector<std::uint8_t> frame = link_.SendData(s.address, r.def, seq, s.toggle);
    if (seq >= 1 && seq <= 30) s.kept[seq - 1] = std::move(frame);
    SimLog("poll %d of station %d: T%d seq %d%s, %s", function, s.address, r.def.TelNr, seq,
           s.toggle ? " (ack wanted)" : "", r.text.c_str());
    LogDamage(link_);
}

void StationDevice::OnMasterTelegram(Station& s, const Heard& h) {
    if (h.telNo == kRestartObject && h.dataKind == 0) {
        if (s.last == 31) s.last = 0;
        SimLog("station %d: numbering restarted by the master", s.address);
        return;
    }
    if (h.telNo != kSeqControlObject || h.dataKind != 0 || h.data.empty()) {
        SimLog("station %d: received T%d kind %d from the master", s.address, h.telNo, h.dataKind);
        return;
    }
    const std::uint8_t v = h.data[0];
    const int n = v & 31;
    if (v & kClearToggle) s.toggle = false;
    if (n < 1 || n > 30) {
        SimLog("station %d: T%d without a number (%02x), ignored", s.address, h.telNo, v);
        return;
    }
    if (v & kAckNumber) {
        s.stop = n;
        SimLog("station %d: acknowledged up to %d", s.address, n);
    }
    if (v & kRepeatNumber) {
        const std::vector<std::uint8_t>& kept = s.kept[n - 1];
        if (kept.empty()) {
            SimLog("station %d: repeat of %d asked, but nothing was sent with it", s.address, n);
            return;
        }
        link_.SendFrame(kept);
        SimLog("station %d: repeated telegram %d", s.address, n);
        LogDamage(link_);
    }
}

}  // namespace vadrix::sim
