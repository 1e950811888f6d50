#pragma once
// The channel record: the persistent block of one serial channel and its run-time state.

#include <cstdint>

#include "channel/ChannelBlock.h"
#include "common/UserInterface.h"
#include "log/Telegram.h"

namespace vadrix {

class SerialPort;

inline constexpr int kStationSlots = 15;  // station indices with their own sequence state
inline constexpr int kSeqSlots = 30;      // sequence numbers 1..30
inline constexpr std::uint8_t kNoSeq = 31;

// A receive or transmit indicator: lit for two ticks after LedLight.
struct TLed {
    Indicator indicator = Indicator::kRxLed1;
    std::int32_t countdown = 0;
    bool lit = false;
};

// Per station index: the protocol words and the telegrams kept for repetition.
struct TStationState {
    std::uint32_t W1 = kNoSeq;
    std::uint32_t W2 = 0;
    std::uint32_t W3 = 30;
    std::uint32_t W4 = 0;
    TTelegram Slots[kSeqSlots]{};  // slot n - 1 holds the telegram with sequence number n

    TTelegram& Slot(int seq) { return Slots[seq - 1]; }
};

struct TEmSe {
    TChannelBlock P{};  // the persistent block

    // Run-time state, not stored.
    SerialPort* Port = nullptr;  // set by whoever builds the program
    TLed RxLed{Indicator::kRxLed1};
    TLed TxLed{Indicator::kTxLed1};
    std::uint16_t ModemTrigger = 0;

    // Reception
    std::uint32_t FrameGapMs = 0;
    std::uint32_t RxDeadline = 0;
    std::uint8_t LastSeq[kStationSlots] = {kNoSeq, kNoSeq, kNoSeq, kNoSeq, kNoSeq,
                                           kNoSeq, kNoSeq, kNoSeq, kNoSeq, kNoSeq,
                                           kNoSeq, kNoSeq, kNoSeq, kNoSeq, kNoSeq};
    std::uint16_t RxCount = 0;
    std::uint16_t RxExpected = 36;
    std::uint16_t RxLineErr = 0;
    TTelegram RxTel{};
    std::uint16_t RxBlockLeft = 0;
    std::uint16_t SpikeCount = 0;
    std::uint8_t RxSource = 1;
    std::uint8_t InFrame = 0;

    // Transmit scheduler state; reception sets some of it, transmission the rest.
    std::uint32_t ReplyDeadline = 0;
    std::uint32_t TurnTicks = 0;
    std::uint32_t ReplyTicks = 0;
    std::int32_t PollPhase = 0;
    std::uint32_t TxTimerId = 0;
    std::int32_t ShortAddr0 = 0;
    std::int32_t ShortAddrX = 0;
    std::uint32_t SupervisionCountdown = 0;
    std::uint8_t CycleRequest = 0;
    std::int32_t TxPhase = 0;
    std::uint32_t TxAllowedTick = 0;
    std::int32_t TxTickBusy = 0;
    std::int32_t PostSendExtraMs = 0;
    std::uint32_t CycleCountdown = 0;
    std::uint32_t CycleCountedTick = 0;  // TickCount + 1 of the last tick the cycle counted
    std::int32_t CurrentStation = 0;
    std::uint32_t AnswerDeadline = 0;
    // Polling cycle of function 3 and the answering side of function 4.
    std::uint32_t InterrogationDeadline = 0;
    std::int32_t PollCounter = 0;     // stations still to poll in this round
    std::int32_t PollIndex = 0;       // table index of the station polled
    std::int32_t ClassPollIndex = 0;  // round-robin index of the class polls
    std::int32_t RememberedStation = 0;
    std::uint8_t ReceivedStatus = 40;  // 31 once the cyclic supervision ran out
    float SendBitTimeMs = 0;           // one bit of the send line of the monitor device
    float SendGapMs = 0;               // (Mv + 20) bit times / 10 on that line

    // Reception side of the simulation: reply requests the transmit side serves.
    std::int32_t StationIdx = 0;
    std::uint32_t PendSys = 0;  // first request slot
    std::uint32_t PendSysNext = 0;
    std::uint32_t PendAck = 0;     // second request slot
    std::uint32_t PendRepeat = 0;  // third request slot
    std::int32_t ExpectSeq = -1;
    std::int32_t PollAddr = 0;
    std::int32_t PollAddr1 = 0;

    std::uint32_t AwaitState = 0;  // exchange with the monitor device: 0 none .. 3 next block
    TTelegram TxBuffer{};
    TStationState StationState[kStationSlots]{};
    std::uint32_t ChannelFunction = 0;  // 0..4
    std::uint8_t TxSource = 2;
    std::uint8_t ModemMask = 0;
    std::uint8_t PortOpen = 0;
    std::uint8_t GenRequest = 0;
    std::uint8_t Transmitting = 0;
    std::uint8_t SendFlag = 0;
    bool LinkTestFlags[12]{};
};

// The link-test flags: switches of the link-test window that transmission and reception read.
inline constexpr int kLinkTestNoSequence = 0;           // no sequence numbers in composed telegrams
inline constexpr int kLinkTestNotOnLine = 1;            // composed telegrams are logged, not sent
inline constexpr int kLinkTestExplicitControl = 2;      // control byte taken as entered
inline constexpr int kLinkTestNoAck = 3;                // no acknowledgement requests
inline constexpr int kLinkTestToggle = 4;               // 32 added to the control byte
inline constexpr int kLinkTestIgnoreCycle = 5;          // telegram 0x200 is marked, not answered
inline constexpr int kLinkTestCorruptShortRequest = 6;  // short requests to a station spoiled
inline constexpr int kLinkTestEmptyAck = 7;  // a general poll gets the empty acknowledgement
inline constexpr int kLinkTestCorrupt = 8;   // every telegram spoiled before sending

}  // namespace vadrix
