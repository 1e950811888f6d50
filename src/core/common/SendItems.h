#pragma once
// Send telegrams and send lists: twelve of each, read by the scheduler and the composition and
// kept whole in the send telegram file.

#include <cstddef>
#include <cstdint>

#include "common/Bytes.h"

namespace vadrix {

inline constexpr int kSendSlots = 12;
inline constexpr int kSendListRows = 400;

#pragma pack(push, 1)

// One telegram entry; also one row of a send list.
struct alignas(2) TSendEntry {
    std::uint16_t TelNr = 520;
    std::uint8_t Akt = 0;  // the row takes part (lists)
    std::uint8_t Lg = 5;   // length code 0..7
    std::uint8_t B[9] = {0x7D, 0xFA, 0x3E, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00};  // B1..B9
    std::uint8_t Da = 2;   // kind of transmission 0..3
    std::int8_t Typ = 8;   // 0..76, in a telegram also 77 and 78
    std::uint8_t Sys = 0;  // system number 0..7
};

// The part shared by send telegrams and send lists.
struct alignas(4) TSendHeader {
    std::int32_t Reserved0 = 0;  // 1 in lists
    std::int32_t FocusIndex = 0;
    std::int32_t Anst = 0;  // start trigger 0..4
    std::int32_t Min = 0;
    std::int32_t AnstTNr = 0;
    std::int32_t AnstDa = 1;
    std::int32_t AnstByte = 255;  // 255: any
    std::int32_t AnzT = 1;        // transmissions (lists: rounds); 0 no limit
    std::int32_t Send = 2;        // 2 EmSe1, 4 EmSe2
    std::int32_t AnzO = 0;        // rows of one round (lists)
    std::int32_t SentCount = 0;
    std::int32_t WZt = 100;  // pause between transmissions
    std::int32_t WaitStart = 0;
    std::int32_t SendState = 0;  // 0 idle, 1 requested, 2 just sent, 3 pausing
    std::uint8_t reserved56[4]{};
    std::int32_t StNr = 0;
    std::int32_t Tge = 0;
    std::uint8_t reserved68[4]{};
    std::int32_t Ueb = 0;
    std::int32_t Tfk = 0;
    std::int32_t Shft = 0;          // 0 off, 1 left, 2 right
    std::int32_t NotifyWindow = 0;  // lists: the editor to tell at the end of a round
    TSendEntry Entry{};
    std::uint8_t reserved104[12]{};
    PString<28> Bez{};
};

struct alignas(4) TSendTelegram {
    TSendHeader Head{};
    std::uint8_t reserved144[132]{};
    std::int32_t DataCount = 0;  // free data of types 77 (bits) and 78 (words)
    std::uint8_t Data[264]{};
};

struct alignas(4) TSendList {
    TSendHeader Head{};
    std::int32_t CurRow = 0;
    std::int32_t CurCol = 0;
    std::int32_t ActiveCount = 0;
    std::int32_t LastActive = 0;
    std::int32_t NextRow = 0;
    std::int32_t RoundCount = 0;
    std::uint8_t reserved168[8]{};
    TSendEntry Rows[kSendListRows]{};  // rows 1..400 at index 0..399

    TSendEntry& Row(int r) { return Rows[r - 1]; }
    const TSendEntry& Row(int r) const { return Rows[r - 1]; }
};

struct alignas(4) TSendTelegramTable {
    static constexpr std::uint32_t kSize = 4 + kSendSlots * 544;
    std::uint32_t Size = kSize;
    TSendTelegram Items[kSendSlots]{};
};

struct alignas(4) TSendListTable {
    static constexpr std::uint32_t kSize = 4 + kSendSlots * 6576;
    std::uint32_t Size = kSize;
    TSendList Items[kSendSlots]{};
};

#pragma pack(pop)

static_assert(sizeof(TSendEntry) == 16);
static_assert(offsetof(TSendEntry, Akt) == 2);
static_assert(offsetof(TSendEntry, Lg) == 3);
static_assert(offsetof(TSendEntry, B) == 4);
static_assert(offsetof(TSendEntry, Da) == 13);
static_assert(offsetof(TSendEntry, Typ) == 14);
static_assert(offsetof(TSendEntry, Sys) == 15);

static_assert(sizeof(TSendHeader) == 144);
static_assert(offsetof(TSendHeader, FocusIndex) == 4);
static_assert(offsetof(TSendHeader, Anst) == 8);
static_assert(offsetof(TSendHeader, Min) == 12);
static_assert(offsetof(TSendHeader, AnstTNr) == 16);
static_assert(offsetof(TSendHeader, AnstDa) == 20);
static_assert(offsetof(TSendHeader, AnstByte) == 24);
static_assert(offsetof(TSendHeader, AnzT) == 28);
static_assert(offsetof(TSendHeader, Send) == 32);
static_assert(offsetof(TSendHeader, AnzO) == 36);
static_assert(offsetof(TSendHeader, SentCount) == 40);
static_assert(offsetof(TSendHeader, WZt) == 44);
static_assert(offsetof(TSendHeader, WaitStart) == 48);
static_assert(offsetof(TSendHeader, SendState) == 52);
static_assert(offsetof(TSendHeader, StNr) == 60);
static_assert(offsetof(TSendHeader, Tge) == 64);
static_assert(offsetof(TSendHeader, Ueb) == 72);
static_assert(offsetof(TSendHeader, Tfk) == 76);
static_assert(offsetof(TSendHeader, Shft) == 80);
static_assert(offsetof(TSendHeader, NotifyWindow) == 84);
static_assert(offsetof(TSendHeader, Entry) == 88);
static_assert(offsetof(TSendHeader, reserved104) == 104);
static_assert(offsetof(TSendHeader, Bez) == 116);

static_assert(sizeof(TSendTelegram) == 544);
static_assert(offsetof(TSendTelegram, reserved144) == 144);
static_assert(offsetof(TSendTelegram, DataCount) == 276);
static_assert(offsetof(TSendTelegram, Data) == 280);

static_assert(sizeof(TSendList) == 6576);
static_assert(offsetof(TSendList, CurRow) == 144);
static_assert(offsetof(TSendList, CurCol) == 148);
static_assert(offsetof(TSendList, ActiveCount) == 152);
static_assert(offsetof(TSendList, LastActive) == 156);
static_assert(offsetof(TSendList, NextRow) == 160);
static_assert(offsetof(TSendList, RoundCount) == 164);
static_assert(offsetof(TSendList, reserved168) == 168);
static_assert(offsetof(TSendList, Rows) == 176);  // row r at 160 + 16 r

static_assert(sizeof(TSendTelegramTable) == 6532);
static_assert(sizeof(TSendListTable) == 78916);
static_assert(StoredRecord<TSendTelegramTable> && StoredRecord<TSendListTable>);

}  // namespace vadrix
