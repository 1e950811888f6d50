#include <QCoreApplication>

#include "support/QtApp.h"

namespace vadrix::testing {

void EnsureQtApplication() {
    if (QCoreApplication::instance() != nullptr) return;
    static int argc = 1;
    static char name[] = "test_runtime";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

}  // namespace vadrix::testing
