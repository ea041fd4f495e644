#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <memory>
#include <vector>

#include "Exceptions.h"
#include "ThreadComponent.h"

#if defined(__linux__)
#include <sys/resource.h>
#endif

using namespace std::chrono_literals;

namespace {

constexpr auto timeout = 20s; // generous: the sanitizers slow threads down a lot
constexpr int qtTimeout = 20000;

bool OnUserInterfaceThread()
{
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

// Counts the calls and the events of one component.
struct TProbe {
    int executes = 0, starts = 0, terminates = 0;
    std::vector<TComponent*> senders;
    bool wrongThread = false;

    void Attach(TThreadComponent& c)
    {
        c.SetOnExecute([this](TComponent* s) { Record(s); ++executes; });
        c.SetOnStart([this](TComponent* s) { Record(s); ++starts; });
        c.SetOnTerminate([this](TComponent* s) { Record(s); ++terminates; });
    }
    void Record(TComponent* sender)
    {
        senders.push_back(sender);
        if (!OnUserInterfaceThread()) wrongThread = true;
    }
};

// Enabled, with the pause under the test's control.
std::unique_ptr<TThreadComponent> Stepped(TProbe& probe)
{
    auto c = std::make_unique<TThreadComponent>();
    TWorkerTestAccess(*c).SetStepping(true);
    probe.Attach(*c);
    c->SetEnabled(true);
    return c;
}

bool WaitFor(const std::function<bool()>& condition)
{
    return QTest::qWaitFor(condition, qtTimeout);
}

class ThreadComponentTest : public testing::Test {
protected:
    void TearDown() override
    {
        // Every worker of the test has ended: nothing is left to touch a
        // freed component or a later test.
        EXPECT_TRUE(WaitFor([] { return TWorkerTestAccess::RunningWorkers() == 0; }));
    }
};

} // namespace

TEST_F(ThreadComponentTest, StartsDisabledAndFiresItsEventsOncePerChange)
{
    TProbe probe;
    auto c = std::make_unique<TThreadComponent>();
    EXPECT_FALSE(c->Enabled());
    EXPECT_EQ(c->Sleep(), 1u);
    EXPECT_EQ(c->ThreadPriority(), TThreadPriority::tpNormal);
    EXPECT_FALSE(c->OnExecute());
    probe.Attach(*c);
    EXPECT_TRUE(TWorkerTestAccess(*c).WaitForPhase(TWorkerPhase::wpSuspended, timeout));

    c->SetEnabled(true);
    c->SetEnabled(true);
    EXPECT_EQ(probe.starts, 1);
    EXPECT_EQ(probe.terminates, 0);
    c->SetEnabled(false);
    c->SetEnabled(false);
    EXPECT_EQ(probe.starts, 1);
    EXPECT_EQ(probe.terminates, 1);
    EXPECT_TRUE(TWorkerTestAccess(*c).WaitForPhase(TWorkerPhase::wpSuspended, timeout));

    // Destroying a disabled component fires nothing, an enabled one OnTerminate.
    c.reset();
    EXPECT_EQ(probe.terminates, 1);
    auto d = std::make_unique<TThreadComponent>();
    probe.Attach(*d);
    d->SetEnabled(true);
    TComponent* sender = d.get();
    d.reset();
    EXPECT_EQ(probe.starts, 2);
    EXPECT_EQ(probe.terminates, 2);
    EXPECT_EQ(probe.senders.back(), sender);
    EXPECT_EQ(probe.executes, 0) << "no call may run after the component is gone";
}

TEST_F(ThreadComponentTest, CallsRunOnTheUserInterfaceThreadOneAtATime)
{
    TThreadComponent c;
    int calls = 0;
    bool overlapping = false, wrongThread = false, wrongSender = false;
    c.SetOnExecute([&](TComponent* sender) {
        ++calls;
        // The worker posts the next call only after this one has returned.
        if (TWorkerTestAccess(c).PostedCalls() != static_cast<uint64_t>(calls)) overlapping = true;
        if (!OnUserInterfaceThread()) wrongThread = true;
        if (sender != &c) wrongSender = true;
    });
    c.SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return calls >= 5; }));
    c.SetEnabled(false);
    EXPECT_FALSE(overlapping);
    EXPECT_FALSE(wrongThread);
    EXPECT_FALSE(wrongSender);
}

TEST_F(ThreadComponentTest, NoCallRunsInsideALongHandlerAndOneRunsAfterIt)
{
    TProbe probe;
    auto c = Stepped(probe);
    bool postedDuringHandler = false;
    int executesSeenByHandler = -1;
    bool handlerDone = false;
    // Stands for a render: a handler that runs long without processing events.
    QTimer::singleShot(0, [&] {
        TWorkerTestAccess(*c).Step();
        postedDuringHandler = TWorkerTestAccess(*c).WaitForPostedCalls(1, timeout);
        executesSeenByHandler = probe.executes;
        handlerDone = true;
    });
    ASSERT_TRUE(WaitFor([&] { return probe.executes == 1; }));
    EXPECT_TRUE(handlerDone);
    EXPECT_TRUE(postedDuringHandler);
    EXPECT_EQ(executesSeenByHandler, 0);

    // Then the period starts again: the next call waits for the next pause.
    ASSERT_TRUE(TWorkerTestAccess(*c).WaitForPhase(TWorkerPhase::wpPausing, timeout));
    QCoreApplication::processEvents();
    EXPECT_EQ(probe.executes, 1);
    EXPECT_EQ(TWorkerTestAccess(*c).PostedCalls(), 1u);
    TWorkerTestAccess(*c).Step();
    ASSERT_TRUE(WaitFor([&] { return probe.executes == 2; }));
    EXPECT_FALSE(probe.wrongThread);
}

TEST_F(ThreadComponentTest, NestedEventLoopsServeTheCall)
{
    TProbe probe;
    auto c = Stepped(probe);
    int executesInNestedLoop = -1;
    QTimer::singleShot(0, [&] {
        // As a modal dialog or a message box would.
        QEventLoop nested;
        c->SetOnExecute([&](TComponent*) {
            ++probe.executes;
            nested.quit();
        });
        TWorkerTestAccess(*c).Step();
        QTimer::singleShot(qtTimeout, &nested, &QEventLoop::quit);
        nested.exec();
        executesInNestedLoop = probe.executes;
    });
    ASSERT_TRUE(WaitFor([&] { return executesInNestedLoop >= 0; }));
    EXPECT_EQ(executesInNestedLoop, 1);
}

TEST_F(ThreadComponentTest, DestructionWhileACallIsPostedNeitherWaitsNorRunsIt)
{
    TProbe probe;
    auto c = Stepped(probe);
    TWorkerTestAccess(*c).Step();
    ASSERT_TRUE(TWorkerTestAccess(*c).WaitForPostedCalls(1, timeout));
    ASSERT_TRUE(TWorkerTestAccess(*c).WaitForPhase(TWorkerPhase::wpWaiting, timeout));
    c.reset(); // on this thread, which the worker is waiting for
    EXPECT_EQ(probe.terminates, 1);
    ASSERT_TRUE(WaitFor([] { return TWorkerTestAccess::RunningWorkers() == 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(probe.executes, 0);
}

TEST_F(ThreadComponentTest, AHandlerMayFreeItsOwnComponent)
{
    TComponent owner;
    auto* c = new TThreadComponent(&owner);
    int terminates = 0;
    bool freed = false;
    c->SetOnTerminate([&](TComponent*) { ++terminates; });
    c->SetOnExecute([&](TComponent* sender) {
        delete sender;
        freed = true;
    });
    c->SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return freed; }));
    EXPECT_EQ(terminates, 1);
    EXPECT_TRUE(owner.Components().empty());
}

TEST_F(ThreadComponentTest, PausingStopsFurtherCallsButAPostedOneMayStillRun)
{
    TProbe probe;
    auto c = Stepped(probe);
    TWorkerTestAccess(*c).Step();
    ASSERT_TRUE(TWorkerTestAccess(*c).WaitForPostedCalls(1, timeout));
    c->SetEnabled(false);
    EXPECT_EQ(probe.terminates, 1);
    ASSERT_TRUE(WaitFor([&] { return probe.executes == 1; }));

    // Paused: whatever pauses it is allowed, the worker posts nothing.
    ASSERT_TRUE(TWorkerTestAccess(*c).WaitForPhase(TWorkerPhase::wpSuspended, timeout));
    TWorkerTestAccess(*c).Step();
    TWorkerTestAccess(*c).Step();
    QCoreApplication::processEvents();
    EXPECT_EQ(TWorkerTestAccess(*c).Phase(), TWorkerPhase::wpSuspended);
    EXPECT_EQ(TWorkerTestAccess(*c).PostedCalls(), 1u);

    // Enabled again, it goes on with the pauses it was given.
    c->SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return probe.executes == 3; }));
    EXPECT_EQ(probe.starts, 2);
}

TEST_F(ThreadComponentTest, WithoutAHandlerTheWorkerStillHandsOverEmptyCalls)
{
    TThreadComponent c;
    TWorkerTestAccess(c).SetStepping(true);
    c.SetEnabled(true);
    for (uint64_t n = 1; n <= 3; ++n) {
        TWorkerTestAccess(c).Step();
        ASSERT_TRUE(TWorkerTestAccess(c).WaitForPostedCalls(n, timeout));
        // Served: the worker is back in its pause, waiting for the next step.
        ASSERT_TRUE(WaitFor([&] { return TWorkerTestAccess(c).Phase() == TWorkerPhase::wpPausing; }));
    }
}

TEST_F(ThreadComponentTest, AnExceptionInTheHandlerIsDroppedAndTheCallsGoOn)
{
    TProbe probe;
    auto c = Stepped(probe);
    int calls = 0;
    c->SetOnExecute([&](TComponent*) {
        ++calls;
        if (calls == 1) throw Exception("broken handler");
        if (calls == 2) throw 42;
    });
    for (int n = 1; n <= 3; ++n) {
        TWorkerTestAccess(*c).Step();
        ASSERT_TRUE(WaitFor([&] { return calls == n; }));
    }
}

TEST_F(ThreadComponentTest, SleepIsThePauseBeforeEachCall)
{
    using Clock = std::chrono::steady_clock;
    TThreadComponent c;
    std::vector<Clock::time_point> times;
    c.SetOnExecute([&](TComponent*) { times.push_back(Clock::now()); });
    c.SetSleep(60);
    EXPECT_EQ(c.Sleep(), 60u);
    c.SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return times.size() >= 3; }));
    c.SetEnabled(false);
    for (size_t i = 1; i < times.size(); ++i)
        EXPECT_GE(times[i] - times[i - 1], 60ms);
}

TEST_F(ThreadComponentTest, WritingTheHandlerWhileEnabledKeepsTheRhythm)
{
    TThreadComponent c;
    int calls = 0;
    const TNotifyEvent handler = [&](TComponent*) { ++calls; };
    c.SetOnExecute(handler);
    c.SetSleep(100);
    c.SetEnabled(true);
    // Written over and over, as a window that sets its handler at each update
    // would; a pause that started over at a write would hardly ever end.
    QTimer writer;
    int writes = 0;
    QObject::connect(&writer, &QTimer::timeout, [&] {
        c.SetOnExecute(handler);
        ++writes;
    });
    writer.start(0);
    QTest::qWait(2000);
    writer.stop();
    c.SetEnabled(false);
    EXPECT_GE(writes, 20);
    EXPECT_GE(calls, 10) << "about 20 at one call per 100 ms, not " << calls;
}

TEST_F(ThreadComponentTest, ThePriorityReachesTheWorkerOnlyWhenWrittenWhileEnabled)
{
    TThreadComponent c;
    TWorkerTestAccess worker(c);
    c.SetThreadPriority(TThreadPriority::tpLower);
    EXPECT_EQ(c.ThreadPriority(), TThreadPriority::tpLower);
    EXPECT_EQ(worker.Priority(), TThreadPriority::tpNormal);
    c.SetEnabled(true);
    EXPECT_EQ(worker.Priority(), TThreadPriority::tpNormal) << "enabling does not apply a stored priority";
    c.SetThreadPriority(TThreadPriority::tpLower);
    EXPECT_EQ(worker.Priority(), TThreadPriority::tpNormal) << "the same value again changes nothing";
    c.SetThreadPriority(TThreadPriority::tpHigher);
    EXPECT_EQ(worker.Priority(), TThreadPriority::tpHigher);
    c.SetThreadPriority(TThreadPriority::tpLower);
    EXPECT_EQ(worker.Priority(), TThreadPriority::tpLower);
#if defined(__linux__)
    // The worker started with this thread's nice value; one step below normal
    // is five nice steps up from it. (Raising the priority just before may
    // have failed for want of privilege; lowering it needs none.)
    const int base = getpriority(PRIO_PROCESS, 0);
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(worker.NativeId())), std::min(base + 5, 19));
#endif
    c.SetEnabled(false);
    c.SetThreadPriority(TThreadPriority::tpIdle);
    EXPECT_EQ(worker.Priority(), TThreadPriority::tpLower);
#if defined(__linux__)
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(worker.NativeId())), std::min(base + 5, 19));
#endif
}
