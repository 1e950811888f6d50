#pragma once
// One QCoreApplication for the tool tests that run ports and devices in this process.

#include <QCoreApplication>

namespace vadrix::testing {

inline void EnsureToolsQtApp() {
    if (QCoreApplication::instance() != nullptr) return;
    static int argc = 1;
    static char name[] = "test_tools";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

}  // namespace vadrix::testing
