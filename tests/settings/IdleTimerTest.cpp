#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include "QtIdleTimer.h"

namespace {

// Waits while a timer of the same interval fires three times: long enough
// for a timer that should be gone to show that it is not.
void LetThreeIntervalsPass()
{
    int ticks = 0;
    TIdleTimer* witness = QtIdleTimers().Create(5, [&] { ++ticks; });
    witness->Restart();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 5000));
    witness->Dispose();
}

} // namespace

// The Qt timer behind the idle close: it repeats until disposed of, and it
// can be disposed of from within its own expiry.
TEST(IdleTimerTest, AQtTimerMayBeDisposedOfFromItsOwnExpiry)
{
    int fired = 0;
    TIdleTimer* timer = nullptr;
    timer = QtIdleTimers().Create(5, [&] {
        if (++fired == 2) timer->Dispose();
    });
    timer->Restart();
    EXPECT_TRUE(QTest::qWaitFor([&] { return fired == 2; }, 5000));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    LetThreeIntervalsPass();
    EXPECT_EQ(fired, 2);

    // Outside its expiry it goes at once, and never fires.
    int other = 0;
    TIdleTimer* quiet = QtIdleTimers().Create(5, [&] { ++other; });
    quiet->Restart();
    quiet->Dispose();
    LetThreeIntervalsPass();
    EXPECT_EQ(other, 0);
}
