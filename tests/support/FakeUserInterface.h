#pragma once
// A user interface that records what core showed and answers questions as told.

#include <deque>
#include <string>
#include <vector>

#include "common/UserInterface.h"

namespace vadrix::testing {

class FakeUserInterface : public UserInterface {
  public:
    struct Shown {
        std::string text;
        MessageKind kind;
        MessageButtons buttons;
    };

    MessageResult ShowMessage(std::string_view text, MessageKind kind,
                              MessageButtons buttons) override {
        messages.push_back({std::string(text), kind, buttons});
        if (!answers.empty()) {
            const MessageResult r = answers.front();
            answers.pop_front();
            return r;
        }
        return buttons == MessageButtons::kOk ? MessageResult::kOk : MessageResult::kYes;
    }
    void SetIndicator(Indicator which, int state) override { indicators.push_back({which, state}); }
    void RequestRedraw() override { ++redraws; }
    void SetWaitCursor(bool on) override { waitCursor = on; }

    std::vector<Shown> messages;
    std::deque<MessageResult> answers;  // answers to the next questions, else Yes / OK
    std::vector<std::pair<Indicator, int>> indicators;
    int redraws = 0;
    bool waitCursor = false;
};

}  // namespace vadrix::testing
