#pragma once
// The user interface of the headless tools: messages go to standard error in UTF-8; a
// question gets its default answer, since nobody is there to ask.

#include "common/UserInterface.h"

namespace vadrix {

class ConsoleUserInterface : public UserInterface {
  public:
    MessageResult ShowMessage(std::string_view text, MessageKind kind,
                              MessageButtons buttons) override;
    void SetIndicator(Indicator, int) override {}
    void RequestRedraw() override {}
    void SetWaitCursor(bool) override {}
};

}  // namespace vadrix
