#pragma once
// A context with fake seams, built on the heap (the channel records are large).

#include <memory>

#include "app/Context.h"
#include "support/FakeClock.h"
#include "support/FakeEventLoop.h"
#include "support/FakeUserInterface.h"

namespace vadrix::testing {

struct TestContext {
    FakeClock clock;
    FakeEventLoop loop{clock};
    FakeUserInterface ui;
    std::unique_ptr<Context> ctx = std::make_unique<Context>(clock, loop, ui);

    Context& operator*() { return *ctx; }
    Context* operator->() { return ctx.get(); }
};

}  // namespace vadrix::testing
