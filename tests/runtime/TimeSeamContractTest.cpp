// The clock and event loop contracts, run against the fakes and the QtCore implementations.

#include <gtest/gtest.h>

#include <QThread>
#include <memory>

#include "runtime/QtClock.h"
#include "runtime/QtEventLoop.h"
#include "support/FakeClock.h"
#include "support/FakeEventLoop.h"
#include "support/QtApp.h"

namespace vadrix {
namespace {

struct Seams {
    virtual ~Seams() = default;
    virtual Clock& clock() = 0;
    virtual EventLoop& loop() = 0;
    // Lets at least ms of the seam's time go by.
    virtual void Pass(std::uint32_t ms) = 0;
};

struct FakeSeams : Seams {
    testing::FakeClock c;
    testing::FakeEventLoop l{c};
    Clock& clock() override { return c; }
    EventLoop& loop() override { return l; }
    void Pass(std::uint32_t ms) override { c.Advance(ms); }
};

struct QtSeams : Seams {
    QtSeams() { testing::EnsureQtApplication(); }
    QtClock c;
    QtEventLoop l;
    Clock& clock() override { return c; }
    EventLoop& loop() override { return l; }
    void Pass(std::uint32_t ms) override { QThread::msleep(ms + 2); }
};

using Factory = std::unique_ptr<Seams> (*)();

class TimeSeamContract : public ::testing::TestWithParam<Factory> {
  protected:
    std::unique_ptr<Seams> s = GetParam()();
};

TEST_P(TimeSeamContract, CounterAdvancesAsTimePasses) {
    const std::uint32_t before = s->clock().MsCounter();
    s->Pass(20);
    const std::uint32_t elapsed = s->clock().MsCounter() - before;
    EXPECT_GE(elapsed, 20u);
    EXPECT_LT(elapsed, 2000u);
    const LocalDateTime now = s->clock().Now();
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.hour, 23);
}

TEST_P(TimeSeamContract, PostedTasksRunInOrderWhenPumped) {
    std::vector<int> ran;
    s->loop().Post([&] { ran.push_back(1); });
    s->loop().Post([&] { ran.push_back(2); });
    EXPECT_TRUE(ran.empty());
    s->loop().ProcessPending();
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

TEST_P(TimeSeamContract, OneShotTimerFiresOnceAfterItsTimeAndCanBeCancelled) {
    int fired = 0;
    int cancelled = 0;
    const auto id = s->loop().StartOneShot(30, [&] { ++fired; });
    const auto other = s->loop().StartOneShot(30, [&] { ++cancelled; });
    EXPECT_NE(id, 0u);
    EXPECT_NE(id, other);
    s->loop().ProcessPending();
    EXPECT_EQ(fired, 0);
    s->loop().CancelTimer(other);
    for (int i = 0; i < 100 && fired == 0; ++i) {
        s->Pass(10);
        s->loop().ProcessPending();
    }
    EXPECT_EQ(fired, 1);
    s->Pass(50);
    s->loop().ProcessPending();
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(cancelled, 0);
}

INSTANTIATE_TEST_SUITE_P(Fake, TimeSeamContract,
                         ::testing::Values<Factory>([]() -> std::unique_ptr<Seams> {
                             return std::make_unique<FakeSeams>();
                         }));
INSTANTIATE_TEST_SUITE_P(Qt, TimeSeamContract,
                         ::testing::Values<Factory>([]() -> std::unique_ptr<Seams> {
                             return std::make_unique<QtSeams>();
                         }));

TEST(QtEventLoop, TasksPostedFromAnotherThreadRunOnTheMainThread) {
    testing::EnsureQtApplication();
    QtEventLoop loop;
    Qt::HANDLE ranOn = nullptr;
    std::unique_ptr<QThread> worker(
        QThread::create([&] { loop.Post([&] { ranOn = QThread::currentThreadId(); }); }));
    worker->start();
    worker->wait();
    loop.ProcessPending();
    EXPECT_EQ(ranOn, QThread::currentThreadId());
}

}  // namespace
}  // namespace vadrix
