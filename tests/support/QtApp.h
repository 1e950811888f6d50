#pragma once
// One QCoreApplication for a test executable that uses the runtime layer.

namespace vadrix::testing {

void EnsureQtApplication();

}  // namespace vadrix::testing
