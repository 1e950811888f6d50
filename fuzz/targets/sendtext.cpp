// The send telegram and send list text files: read into a default item as the editors'
// open command does, previewed as composed, and written out again.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "app/SendDefaults.h"
#include "editors/SendListRows.h"
#include "editors/SendTextFile.h"
#include "transmit/Compose.h"

namespace {

// The first send telegram and send list as the program starts with them, made once.
struct Defaults {
    vadrix::TSendTelegram telegram{};
    vadrix::TSendList list{};
    Defaults() {
        vadrix::fuzz::FuzzContext fc;
        vadrix::SetDefaultSendTelegrams(*fc);
        vadrix::SetDefaultSendLists(*fc);
        telegram = fc->sendTelegrams.Items[0];
        list = fc->sendLists.Items[0];
    }
};

const Defaults& Start() {
    static const Defaults d;
    return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vadrix;
    FuzzedDataProvider in(data, size);
    static constexpr char kSeparators[] = {';', '\t', ',', ' '};
    const bool list = in.ConsumeBool();
    const char sep = in.PickValueInArray(kSeparators);
    const std::string content = in.ConsumeRemainingBytesAsString();
    const std::filesystem::path file = fuzz::WriteTemp(
        "send.txt", {reinterpret_cast<const std::uint8_t*>(content.data()), content.size()});
    std::string text;
    if (!ReadTextFile(file, text)) return 0;

    fuzz::FuzzContext fc;
    Context& ctx = *fc;
    TTelegram out{};
    if (!list) {
        TSendTelegram& t = ctx.sendTelegrams.Items[0];
        t = Start().telegram;
        if (!ApplyTelegramFileText(text, sep, t)) return 0;
        ComposePreview(ctx, ctx.emse1, t, out);
        TelegramFileText(t, sep);
        return 0;
    }
    TSendList& l = ctx.sendLists.Items[0];
    l = Start().list;
    if (!ApplyListFileText(text, sep, l)) return 0;
    CountActiveRows(l);
    TSendHeader head = l.Head;
    for (int r = 1; r <= kSendListRows; r += 41) {
        head.Entry = l.Row(r);
        ComposePreview(ctx, ctx.emse1, TelegramDefinition{head}, out);
    }
    ListFileText(l, sep);
    CanPasteRows(text, sep);
    PasteRows(l, 1 + static_cast<int>(size % kSendListRows), text, sep);
    return 0;
}
