#include "programming/SystemTerminal.h"

#include "channel/Channel.h"

namespace vadrix {

namespace {

constexpr std::uint8_t kLf = 10;
constexpr std::uint8_t kCr = 13;
constexpr char32_t kFirstUnsent = 127;

}  // namespace

SystemTerminal::SystemTerminal(Context& ctx) : ctx_(ctx) {
    ctx_.channelHooks.terminalReceive = [this](std::uint8_t c) { SystemOperationReceive(c); };
}

SystemTerminal::~SystemTerminal() {
    ctx_.channelHooks.terminalReceive = nullptr;
}

void SystemTerminal::SystemOperationReceive(std::uint8_t c) {
    if (c == kCr) return;
    // A device that never ends its line must not grow one string without bound.
    if (c == kLf || lines_.back().size() >= kMaxLineLength) lines_.emplace_back();
    if (c != kLf) lines_.back() += static_cast<char>(c);
    if (lines_.size() > kMaxLines) lines_.erase(lines_.begin());
    if (changed) changed();
}

bool SystemTerminal::TypeKey(char32_t key) {
    if (key >= U'a' && key <= U'z') key -= U'a' - U'A';
    if (key >= kFirstUnsent || ctx_.emse1.Port == nullptr) return false;
    ctx_.emse1.Port->WriteByte(static_cast<std::uint8_t>(key));
    LedLight(ctx_.ui, ctx_.emse1.TxLed);
    return true;
}

}  // namespace vadrix
