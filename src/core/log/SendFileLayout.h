#pragma once
// The send telegram file: the whole simulation set-up in one binary file of 98916 bytes. Its
// first 2000 bytes are a log file header.

#include <cstddef>
#include <cstdint>

#include "common/SendItems.h"
#include "log/LogFileLayout.h"

namespace vadrix {

#pragma pack(push, 1)

struct alignas(4) TSendFile {
    static constexpr std::size_t kSize = 98916;
    TLogHeader Header{};
    std::uint8_t reserved2000[10000]{};
    TSendTelegramTable Telegrams{};
    std::uint8_t reserved18532[1468]{};
    TSendListTable Lists{};
};

#pragma pack(pop)

static_assert(sizeof(TSendFile) == TSendFile::kSize);
static_assert(offsetof(TSendFile, reserved2000) == 2000);
static_assert(offsetof(TSendFile, Telegrams) == 12000);
static_assert(offsetof(TSendFile, reserved18532) == 18532);
static_assert(offsetof(TSendFile, Lists) == 20000);
static_assert(StoredRecord<TSendFile>);

}  // namespace vadrix
