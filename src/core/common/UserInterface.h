#pragma once
// The user interface seam: what core needs to tell the user, with no window behind it.

#include <string>
#include <string_view>

namespace vadrix {

enum class MessageKind { kWarning, kError, kInformation, kConfirmation, kPlain };
enum class MessageButtons { kOk, kYesNo, kYesNoCancel, kOkCancel };
enum class MessageResult { kOk, kYes, kNo, kCancel };

// Indicators the main window shows; core only says that they changed.
enum class Indicator {
    kOnline,
    kRxLed1,
    kTxLed1,
    kRxLed2,
    kTxLed2,
    kStatusTable,
    kStatusBar,
    kFilters,
    kCaption,
};

class UserInterface {
  public:
    virtual ~UserInterface() = default;
    // Shows a message box placed relative to the main window; text is CP1252 as in the table.
    virtual MessageResult ShowMessage(std::string_view text, MessageKind kind,
                                      MessageButtons buttons) = 0;
    virtual void SetIndicator(Indicator which, int state) = 0;
    // The log view or a part of the window needs drawing again.
    virtual void RequestRedraw() = 0;
    virtual void SetWaitCursor(bool on) = 0;
};

}  // namespace vadrix
