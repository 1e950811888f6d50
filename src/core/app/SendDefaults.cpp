#include "app/SendDefaults.h"

#include "common/TextIds.h"

namespace vadrix {

namespace {

constexpr std::uint8_t kSlotLengthCodes[kSendSlots] = {4, 4, 2, 4, 6, 5, 6, 3, 5, 7, 4, 6};

TSendTelegram DefaultTelegram() {
    TSendTelegram t{};
    t.Head = TSendHeader{};  // trigger by hand, once, on EmSe1, pause 100, default entry
    return t;
}

}  // namespace

void SetDefaultSendTelegrams(Context& ctx) {
    TSendTelegramTable& table = ctx.sendTelegrams;
    table.Size = TSendTelegramTable::kSize;
    for (int n = 1; n <= kSendSlots; ++n) {
        TSendTelegram t = DefaultTelegram();
        t.Head.Entry.Typ = static_cast<std::int8_t>(n - 1);
        t.Head.Entry.Lg = kSlotLengthCodes[n - 1];
        // The name of the type the slot holds.
        t.Head.Bez.assign(ctx.Txt(txt::kTypeNameBase + t.Head.Entry.Typ).substr(0, 27));
        table.Items[n - 1] = t;
    }
}

void SetDefaultSendLists(Context& ctx) {
    TSendListTable& table = ctx.sendLists;
    table.Size = TSendListTable::kSize;
    TSendHeader head = DefaultTelegram().Head;
    head.Entry.Typ = 0;
    head.Entry.Lg = kSlotLengthCodes[0];
    head.Reserved0 = 1;
    for (int n = 1; n <= kSendSlots; ++n) {
        TSendList& list = table.Items[n - 1];
        list = TSendList{};
        list.Head = head;
        list.Head.Bez.assign(
            (std::string(ctx.Txt(txt::kSendListName)) + std::to_string(n)).substr(0, 27));
        list.reserved168[0] = 1;
        for (TSendEntry& row : list.Rows) row = TSendEntry{};
    }
}

}  // namespace vadrix
