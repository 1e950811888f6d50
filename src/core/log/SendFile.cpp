#include "log/SendFile.h"

#include <cstring>
#include <fstream>
#include <memory>
#include <span>
#include <system_error>
#include <vector>

#include "app/DataFiles.h"
#include "common/FileWrite.h"
#include "common/TextIds.h"
#include "editors/SendListRows.h"
#include "log/SendFileLayout.h"

namespace vadrix {

namespace {

template <typename T>
std::span<const std::uint8_t> Part(const std::uint8_t* file, const T& layoutMember,
                                   const TSendFile& layout) {
    const auto offset = reinterpret_cast<const std::uint8_t*>(&layoutMember) -
                        reinterpret_cast<const std::uint8_t*>(&layout);
    return {file + offset, sizeof(T)};
}

// The whole file, or nothing when it cannot be opened or is not exactly one set-up long.
bool ReadWhole(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes, bool& opened) {
    std::ifstream in(file, std::ios::binary);
    opened = static_cast<bool>(in);
    if (!opened) return false;
    bytes.assign(TSendFile::kSize + 1, 0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return in.gcount() == static_cast<std::streamsize>(TSendFile::kSize);
}

void TakeOver(Context& ctx, std::span<const std::uint8_t> file) {
    const auto layout = std::make_unique<TSendFile>();
    const std::uint8_t* bytes = file.data();
    const std::int32_t logSize = ctx.general.LogSize;
    TakeOverGeneralParams(ctx.general, Part(bytes, layout->Header.General, *layout));
    ctx.general.LogSize = logSize;  // the log in use keeps its size
    TakeOverChannelBlock(ctx.emse1.P, Part(bytes, layout->Header.Channel1, *layout));
    TakeOverChannelBlock(ctx.emse2.P, Part(bytes, layout->Header.Channel2, *layout));
    TakeOverSized(ctx.sendTelegrams, Part(bytes, layout->Telegrams, *layout));
    if (TakeOverSized(ctx.sendLists, Part(bytes, layout->Lists, *layout))) {
        // The counts of rows in use follow the rows, as after editing: the scheduler steps
        // through rows 1 to LastActive, so a stored count must not send it past row 400.
        for (TSendList& l : ctx.sendLists.Items) CountActiveRows(l);
    }
}

void RefreshChannelDisplays(Context& ctx) {
    ctx.ui.SetIndicator(Indicator::kStatusTable, 0);
    ctx.ui.SetIndicator(Indicator::kCaption, 0);
}

}  // namespace

std::filesystem::path DefaultSendFilePath(const Context& ctx) {
    return DataFileName(ctx, txt::kSendFileName);
}

bool LoadSendFile(Context& ctx, const std::filesystem::path& file) {
    std::vector<std::uint8_t> bytes;
    bool opened = false;
    bool valid = ReadWhole(file, bytes, opened);
    if (valid) {
        TLogHeader header;
        std::memcpy(&header, bytes.data(), sizeof header);
        valid = header.Valid();
    }
    if (valid) {
        TakeOver(ctx, std::span(bytes).first(TSendFile::kSize));
        ctx.run.AuxFilePath = file;
        ctx.run.SendFileModified = false;
    } else if (opened || !SameFile(file, DefaultSendFilePath(ctx))) {
        const std::string text = std::string(ctx.Txt(txt::kSendFileInvalid)) + file.string();
        ctx.ui.ShowMessage(text, MessageKind::kError, MessageButtons::kOk);
    }
    RefreshChannelDisplays(ctx);
    return valid;
}

bool SaveSendFile(Context& ctx, const std::filesystem::path& file) {
    const auto out = std::make_unique<TSendFile>();
    out->Header.General = GeneralParamsForLogHeader(ctx.general);
    out->Header.Channel1 = ctx.emse1.P;
    out->Header.Channel2 = ctx.emse2.P;
    out->Telegrams = ctx.sendTelegrams;
    out->Telegrams.Size = TSendTelegramTable::kSize;
    out->Lists = ctx.sendLists;
    out->Lists.Size = TSendListTable::kSize;

    if (!WriteWholeFile(file, BytesOf(*out))) return false;
    ctx.run.AuxFilePath = file;
    ctx.run.SendFileModified = false;
    return true;
}

}  // namespace vadrix
