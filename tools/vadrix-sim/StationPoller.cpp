#include "StationPoller.h"

#include <string>

#include "SimLog.h"

namespace vadrix::sim {
namespace {

bool Reached(std::uint32_t now, std::uint32_t deadline) {
    return static_cast<std::int32_t>(now - deadline) >= 0;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string s;
    char b[4];
    for (const std::uint8_t v : bytes) {
        std::snprintf(b, sizeof b, " %02x", v);
        s += b;
    }
    return s;
}

TSendEntry ControlTelegram(int object, std::uint8_t value) {
    TSendEntry e;
    e.TelNr = static_cast<std::uint16_t>(object);
    e.Lg = 2;
    e.Da = 0;
    e.Typ = -1;  // a request of the master, no interpretation type
    std::fill(std::begin(e.B), std::end(e.B), 0);
    e.B[0] = value;
    return e;
}

}  // namespace

StationPoller::StationPoller(SerialPort& port, const StationOptions& options)
    : link_(port, options.baud), options_(options) {
    for (const int a : options.addresses) polled_.emplace_back(a);
    link_.SetFaults(options.faults, FaultSeed(options.seed));
    link_.SetHandler([this](const Heard& h) { OnTelegram(h); });
}

void StationPoller::Receive(std::span<const std::uint8_t> bytes) {
    link_.Receive(bytes);
}

void StationPoller::Tick(std::uint32_t nowMs) {
    nowMs_ = nowMs;
    link_.Tick(nowMs);
    if (!started_) {
        started_ = true;
        nextCycle_ = nowMs;
    }
    switch (state_) {
        case State::kIdle:
            if (!Reached(nowMs, nextCycle_)) return;
            // A cycle that ran long starts the next one from now rather than catching up.
            nextCycle_ = Reached(nowMs, nextCycle_ + options_.cycleMs)
                             ? nowMs + options_.cycleMs
                             : nextCycle_ + options_.cycleMs;
            link_.SendShort(0, kShortAnnounce);
            SimLog("general poll");
            state_ = State::kAnnouncements;
            deadline_ = nowMs + kAnnounceWaitMs;
            return;
        case State::kAnnouncements:
            if (Reached(nowMs, deadline_)) StartPolling();
            return;
        case State::kPolling:
            if (!Reached(nowMs, deadline_)) return;
            if (answered_) {
                NextStation();
            } else if (retries_ < kPollRetries) {
                ++retries_;
                SimLog("no answer from station %d, polling it again", Current()->address);
                PollCurrent();
            } else {
                ++Current()->counts.missing;
                SimLog("no answer from station %d", Current()->address);
                NextStation();
            }
            return;
    }
}

void StationPoller::Stop() {
    for (const Polled& p : polled_)
        SimError(
            "station %d: %u telegrams, %u nothing to send, %u unanswered, %u faulty, %u "
            "repeats asked",
            p.address, p.counts.telegrams, p.counts.nothing, p.counts.missing, p.counts.faulty,
            p.counts.repeats);
    const LinkCounts& c = link_.Counts();
    SimError("master: sent %u frames (%u damaged), received %u telegrams (%u faulty)", c.sent,
             c.damaged, c.heard, c.faulty);
}

PolledCounts StationPoller::Counts(int address) const {
    for (const Polled& p : polled_)
        if (p.address == address) return p.counts;
    return {};
}

StationPoller::Polled* StationPoller::Find(int address) {
    for (Polled& p : polled_)
        if (p.address == address) return &p;
    return nullptr;
}

StationPoller::Polled* StationPoller::Current() {
    return state_ == State::kPolling && orderPos_ < order_.size() ? &polled_[order_[orderPos_]]
                                                                  : nullptr;
}

void StationPoller::StartPolling() {
    // Those that announced data first, then the others, each once.
    order_.clear();
    for (std::size_t i = 0; i < polled_.size(); ++i)
        if (polled_[i].announced) order_.push_back(i);
    for (std::size_t i = 0; i < polled_.size(); ++i)
        if (!polled_[i].announced) order_.push_back(i);
    for (Polled& p : polled_) p.announced = false;
    orderPos_ = 0;
    state_ = State::kPolling;
    if (order_.empty()) {
        state_ = State::kIdle;
        return;
    }
    retries_ = 0;
    PollCurrent();
}

void StationPoller::PollCurrent() {
    answered_ = false;
    deadline_ = nowMs_ + kAnswerWaitMs;
    link_.SendShort(Current()->address, kShortPoll);
}

void StationPoller::NextStation() {
    retries_ = 0;
    if (++orderPos_ >= order_.size()) {
        state_ = State::kIdle;
        return;
    }
    PollCurrent();
}

void StationPoller::SendControl(Polled& p, int object, std::uint8_t value) {
    link_.SendData(p.address, ControlTelegram(object, value), 0, false);
}

void StationPoller::OnTelegram(const Heard& h) {
    if (h.status != kGoodFrame) {
        OnFaulty(h);
        return;
    }
    Polled* p = Find(h.station);
    if (p == nullptr) {
        SimLog("telegram of station %d, which is not polled, ignored", h.station);
        return;
    }
    const bool current = Current() == p;
    if (!h.isShort) {
        OnData(*p, h);
        if (current) {
            // The station may send more: wait a little for it.
            answered_ = true;
            deadline_ = nowMs_ + kSettleMs;
        }
        return;
    }
    if (h.function == kShortAnnounce) {
        p->announced = true;
        SimLog("station %d announces data", p->address);
        return;
    }
    ++p->counts.nothing;
    if (current) {
        SimLog("station %d: nothing to send", p->address);
        answered_ = true;
        deadline_ = nowMs_;
    }
}

void StationPoller::OnFaulty(const Heard& h) {
    SimLog("faulty frame received (status %d)", h.status);
    Polled* p = Current();
    if (p == nullptr) return;
    ++p->counts.faulty;
    // A data telegram came damaged: its number is the one after the last.
    if (h.isVariable && p->last >= 1 && p->last <= 30) {
        const int n = NextSeq(p->last);
        p->awaited |= 1u << n;
        ++p->counts.repeats;
        SendControl(*p, kSeqControlObject, static_cast<std::uint8_t>(kRepeatNumber | n));
        SimLog("station %d: asked for a repetition of %d", p->address, n);
        p->last = n;
        answered_ = true;
        deadline_ = nowMs_ + kAnswerWaitMs;
    } else if (retries_ < kPollRetries) {
        ++retries_;
        PollCurrent();
    }
}

void StationPoller::OnData(Polled& p, const Heard& h) {
    ++p.counts.telegrams;
    const int seq = h.seq;
    std::string note;
    if (seq == 31) {
        note = "reset number";
        p.last = 31;
        if (!p.restarted || Reached(nowMs_, p.restartMs + kRestartGapMs)) {
            p.restarted = true;
            p.restartMs = nowMs_;
            SendControl(p, kRestartObject, 0);
            note += ", numbering restarted";
        }
    } else if (seq == 0) {
        note = "not numbered";
    } else if ((p.awaited >> seq) & 1u) {
        p.awaited &= ~(1u << seq);
        note = "the repetition asked for";
    } else if (p.last == 31) {
        p.last = seq;
        note = "first number";
    } else {
        const int d = (seq + 30 - p.last) % 30;
        if (d == 0) {
            note = "same number again";
        } else if (d == 1) {
            note = "in order";
        } else if (d <= 8) {
            note = "numbers missing, repetitions asked:";
            for (int n = NextSeq(p.last); n != seq; n = NextSeq(n)) {
                p.awaited |= 1u << n;
                ++p.counts.repeats;
                SendControl(p, kSeqControlObject, static_cast<std::uint8_t>(kRepeatNumber | n));
                note += " " + std::to_string(n);
            }
        } else {
            note = "out of order";
        }
        if (d != 0) p.last = seq;
    }
    SimLog("station %d: T%d kind %d seq %d%s data%s (%s)", p.address, h.telNo, h.dataKind, seq,
           h.seqFlag ? " ack wanted" : "", Hex(h.data).c_str(), note.c_str());
    if (seq < 1 || seq > 30) return;
    if (h.seqFlag) {
        SendControl(p, kSeqControlObject,
                    static_cast<std::uint8_t>(kClearToggle | kAckNumber | seq));
        SimLog("station %d: acknowledged %d", p.address, seq);
    } else if (seq % 10 == 0) {
        SendControl(p, kSeqControlObject, static_cast<std::uint8_t>(kAckNumber | seq));
        SimLog("station %d: acknowledged %d", p.address, seq);
    }
}

}  // namespace vadrix::sim
