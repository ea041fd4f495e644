#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Exceptions.h"
#include "ThreadComponent.h"

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

using namespace std::chrono_literals;

namespace {

constexpr auto timeout = 20s; // generous: the sanitizers slow threads down a lot
constexpr int qtTimeout = 20000;

bool OnUserInterfaceThread()
{
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

// The worker threads of every component that have not ended yet, as the
// system lists them.
int RunningWorkers()
{
    int running = 0;
#if defined(__linux__)
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        if (std::getline(comm, name) && name == "ThreadComponent") ++running;
    }
#endif
    return running;
}

// Waits until the worker has gone to sleep again: blocked, as the system
// reports it. It has then made every decision it makes before blocking.
bool WaitUntilBlocked([[maybe_unused]] int worker)
{
#if defined(__linux__)
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const std::string path = "/proc/self/task/" + std::to_string(worker) + "/stat";
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream stat(path);
        std::string line;
        std::getline(stat, line);
        // The state follows the name, which is in parentheses.
        const auto name = line.rfind(')');
        if (name != std::string::npos && name + 2 < line.size() && line[name + 2] == 'S') return true;
        std::this_thread::yield();
    }
    return false;
#else
    return true;
#endif
}

// Waits for the test instead of the clock: each Step() lets one call through.
// Counts the pauses begun and the calls handed over (the real hand-over),
// and knows the worker's thread.
class TSteppedWaits : public TWorkerWaits {
public:
    bool Pause(std::chrono::milliseconds, std::stop_token stop) override
    {
        std::unique_lock lock(mutex_);
#if defined(__linux__)
        worker_ = gettid();
#endif
        ++pauses_;
        changed_.notify_all();
        if (!changed_.wait(lock, stop, [this] { return steps_ > 0; })) return false;
        --steps_;
        changed_.notify_all();
        return true;
    }
    void HandOver(std::function<void()> call, std::stop_token stop) override
    {
        {
            std::lock_guard lock(mutex_);
            ++handedOver_;
            changed_.notify_all();
        }
        TWorkerWaits::HandOver(std::move(call), stop);
    }

    void Step(int calls = 1)
    {
        std::lock_guard lock(mutex_);
        steps_ += calls;
        changed_.notify_all();
    }
    int Pauses() const
    {
        std::lock_guard lock(mutex_);
        return pauses_;
    }
    int HandedOver() const
    {
        std::lock_guard lock(mutex_);
        return handedOver_;
    }
    int Worker() const
    {
        std::lock_guard lock(mutex_);
        return worker_;
    }
    // These wait for the worker alone, serving no events on this thread.
    bool WaitUntil(int pauses, int handedOver) const
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return pauses_ >= pauses && handedOver_ >= handedOver; });
    }
    bool WaitUntilStepsTaken() const
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return steps_ == 0; });
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable_any changed_;
    int steps_ = 0, pauses_ = 0, handedOver_ = 0, worker_ = 0;
};

// A polling thread whose pauses the test decides.
class TSteppedComponent : public TThreadComponent {
public:
    explicit TSteppedComponent(std::shared_ptr<TSteppedWaits> waits) : TThreadComponent(nullptr, std::move(waits)) {}
};

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

bool WaitFor(const std::function<bool()>& condition)
{
    return QTest::qWaitFor(condition, qtTimeout);
}

class ThreadComponentTest : public testing::Test {
protected:
    // Enabled, with the pauses under the test's control.
    std::unique_ptr<TThreadComponent> Stepped(TProbe& probe)
    {
        auto c = std::make_unique<TSteppedComponent>(waits);
        probe.Attach(*c);
        c->SetEnabled(true);
        return c;
    }
    void TearDown() override
    {
        // Every worker of the test has ended: nothing is left to touch a
        // freed component or a later test.
        EXPECT_TRUE(WaitFor([] { return RunningWorkers() == 0; }));
    }

    std::shared_ptr<TSteppedWaits> waits = std::make_shared<TSteppedWaits>();
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

    c->SetEnabled(true);
    c->SetEnabled(true);
    EXPECT_EQ(probe.starts, 1);
    EXPECT_EQ(probe.terminates, 0);
    c->SetEnabled(false);
    c->SetEnabled(false);
    EXPECT_EQ(probe.starts, 1);
    EXPECT_EQ(probe.terminates, 1);

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
    TProbe probe;
    auto c = Stepped(probe);
    bool overlapping = false;
    c->SetOnExecute([&](TComponent* sender) {
        probe.Record(sender);
        ++probe.executes;
        // The worker begins its next pause only after this call has returned.
        if (waits->Pauses() != probe.executes || waits->HandedOver() != probe.executes) overlapping = true;
    });
    waits->Step(5);
    ASSERT_TRUE(WaitFor([&] { return probe.executes == 5; }));
    EXPECT_FALSE(overlapping);
    EXPECT_FALSE(probe.wrongThread);
    EXPECT_EQ(std::count(probe.senders.begin(), probe.senders.end(), c.get()), 6); // OnStart and five calls
}

TEST_F(ThreadComponentTest, NoCallRunsInsideALongHandlerAndOneRunsAfterIt)
{
    TProbe probe;
    auto c = Stepped(probe);
    bool handedOverDuringHandler = false;
    int executesSeenByHandler = -1;
    // Stands for a render: a handler that runs long without processing events.
    QTimer::singleShot(0, [&] {
        waits->Step();
        handedOverDuringHandler = waits->WaitUntil(1, 1);
        executesSeenByHandler = probe.executes;
    });
    ASSERT_TRUE(WaitFor([&] { return probe.executes == 1; }));
    EXPECT_TRUE(handedOverDuringHandler);
    EXPECT_EQ(executesSeenByHandler, 0);

    // Then the period starts again: the next call waits for the next pause.
    ASSERT_TRUE(waits->WaitUntil(2, 1));
    QCoreApplication::processEvents();
    EXPECT_EQ(probe.executes, 1);
    EXPECT_EQ(waits->HandedOver(), 1);
    waits->Step();
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
        waits->Step();
        QTimer::singleShot(qtTimeout, &nested, &QEventLoop::quit);
        nested.exec();
        executesInNestedLoop = probe.executes;
    });
    ASSERT_TRUE(WaitFor([&] { return executesInNestedLoop >= 0; }));
    EXPECT_EQ(executesInNestedLoop, 1);
}

TEST_F(ThreadComponentTest, DestructionWhileACallIsHandedOverNeitherWaitsNorRunsIt)
{
    TProbe probe;
    auto c = Stepped(probe);
    waits->Step();
    ASSERT_TRUE(waits->WaitUntil(1, 1));
    c.reset(); // on this thread, which the worker is waiting for
    EXPECT_EQ(probe.terminates, 1);
    ASSERT_TRUE(WaitFor([] { return RunningWorkers() == 0; }));
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

TEST_F(ThreadComponentTest, PausingStopsFurtherCallsButAHandedOverOneMayStillRun)
{
    TProbe probe;
    auto c = Stepped(probe);
    waits->Step();
    ASSERT_TRUE(waits->WaitUntil(1, 1));
    c->SetEnabled(false);
    EXPECT_EQ(probe.terminates, 1);
    ASSERT_TRUE(WaitFor([&] { return probe.executes == 1; }));

    // Paused in the middle of a pause: the pause ends, and the worker hands
    // over nothing.
    c->SetEnabled(true);
    ASSERT_TRUE(waits->WaitUntil(2, 1));
    c->SetEnabled(false);
    waits->Step();
    ASSERT_TRUE(waits->WaitUntilStepsTaken());
    ASSERT_TRUE(WaitUntilBlocked(waits->Worker()));
    EXPECT_EQ(waits->HandedOver(), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(probe.executes, 1);

    // Enabled again, it goes on with the pause it has had.
    c->SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return probe.executes == 2; }));
    EXPECT_EQ(probe.starts, 3);
}

TEST_F(ThreadComponentTest, WithoutAHandlerTheWorkerStillHandsOverEmptyCalls)
{
    TSteppedComponent c(waits);
    c.SetEnabled(true);
    for (int n = 1; n <= 3; ++n) {
        waits->Step();
        // Served: the worker begins its next pause.
        ASSERT_TRUE(WaitFor([&] { return waits->Pauses() == n + 1; }));
    }
    EXPECT_EQ(waits->HandedOver(), 3);
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
        waits->Step();
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
    c.SetSleep(50);
    c.SetEnabled(true);
    // Written over and over, as a window that sets its handler at each update
    // would; a pause that started over at a write would never end.
    QTimer writer;
    int writes = 0;
    QObject::connect(&writer, &QTimer::timeout, [&] {
        c.SetOnExecute(handler);
        ++writes;
    });
    writer.start(0);
    EXPECT_TRUE(WaitFor([&] { return calls >= 5 && writes >= 5 * calls; })) << calls << " calls, " << writes << " writes";
    writer.stop();
    c.SetEnabled(false);
}

#if defined(__linux__)
// The worker started with this thread's nice value; each level below normal
// is an offset from it. (Only levels that lower the priority: raising it
// again needs a privilege the tests may not have.)
TEST_F(ThreadComponentTest, ThePriorityReachesTheWorkerOnlyWhenWrittenWhileEnabled)
{
    const int base = getpriority(PRIO_PROCESS, 0);
    const auto nice = [&](int offset) { return std::min(base + offset, 19); };
    TSteppedComponent c(waits);
    c.SetThreadPriority(TThreadPriority::tpLowest); // only stored
    c.SetEnabled(true);                            // enabling does not apply it
    ASSERT_TRUE(waits->WaitUntil(1, 0));
    const struct {
        const char* step;
        bool enabled;
        TThreadPriority written;
        int niceAfter;
    } steps[] = {
        {"the same value again changes nothing", true, TThreadPriority::tpLowest, nice(0)},
        {"one step below normal", true, TThreadPriority::tpLower, nice(5)},
        {"two steps below normal", true, TThreadPriority::tpLowest, nice(10)},
        {"idle", true, TThreadPriority::tpIdle, nice(40)},
        {"written while disabled, only stored", false, TThreadPriority::tpLower, nice(40)},
    };
    for (const auto& step : steps) {
        c.SetEnabled(step.enabled);
        c.SetThreadPriority(step.written);
        EXPECT_EQ(c.ThreadPriority(), step.written) << step.step;
        EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(waits->Worker())), step.niceAfter) << step.step;
    }
}
#endif
