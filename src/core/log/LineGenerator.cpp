#include "log/LineGenerator.h"

#include "common/Context.h"
#include "log/LogFileLayout.h"

namespace vadrix {

DisplayFormat DisplayFormatFromNumber(int n) {
    return n >= 2 && n <= 8 ? static_cast<DisplayFormat>(n) : DisplayFormat::afLog;
}

InterpretSettings SettingsFromContext(const Context& ctx) {
    InterpretSettings s;
    s.format = DisplayFormatFromNumber(ctx.settings.DisplayFormat);
    s.general = ctx.general;
    return s;
}

InterpretSettings SettingsFromLogHeader(const Context& ctx, const TLogHeader& h) {
    InterpretSettings s = SettingsFromContext(ctx);
    s.general = h.General;
    return s;
}

LineGenerator::LineGenerator(const Context& ctx, const Descriptions* descriptions)
    : ctx_(ctx), desc_(descriptions) {}

void LineGenerator::Prepare(const InterpretSettings& s, const TTelegram& rec, double previousTime,
                            std::int64_t runningNumber) {
    s_ = s;
    rec_ = rec;
    previousTime_ = previousTime;
    runningNumber_ = runningNumber;
    line_ = 0;
    ++prepared_;
}

std::string LineGenerator::NextLine() {
    return {};
}

int LineGenerator::LineCount(const InterpretSettings&, const TTelegram&) const {
    return 0;
}

std::string_view LineGenerator::SourceName(const TTelegram& rec) const {
    return ctx_.Txt(1175 + rec.Source);
}

}  // namespace vadrix
