#include "runtime/ConsoleUserInterface.h"

#include <cstdio>
#include <string>

#include "common/TextTable.h"

namespace vadrix {

MessageResult ConsoleUserInterface::ShowMessage(std::string_view text, MessageKind kind,
                                                MessageButtons buttons) {
    const char* prefix = kind == MessageKind::kError     ? "error: "
                         : kind == MessageKind::kWarning ? "warning: "
                                                         : "";
    std::string line = Cp1252ToUtf8(text);
    for (char& c : line)
        if (c == '\r') c = ' ';
    std::fprintf(stderr, "%s%s\n", prefix, line.c_str());
    switch (buttons) {
        case MessageButtons::kOk:
            return MessageResult::kOk;
        case MessageButtons::kOkCancel:
            return MessageResult::kCancel;
        case MessageButtons::kYesNo:
        case MessageButtons::kYesNoCancel:
            return MessageResult::kNo;
    }
    return MessageResult::kNo;
}

}  // namespace vadrix
