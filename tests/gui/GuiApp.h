#pragma once
// The one QApplication of the GUI test executable, on the offscreen platform unless the
// test command chose another.

#include <QApplication>

namespace vadrix::testing {

inline QApplication& GuiApp() {
    static int argc = 1;
    static char name[] = "test_gui";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: tearing Qt down in the exit handlers crashes.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace vadrix::testing
