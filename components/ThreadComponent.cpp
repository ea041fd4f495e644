#include "ThreadComponent.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <thread>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#elif defined(__linux__)
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

// Everything the worker and the component share. The worker holds it through
// a shared pointer, so it outlives the component when the worker is still
// waiting at destruction.
struct TNestedThread::TState {
    std::mutex mutex;
    std::condition_variable_any changed;
    std::stop_source stop;

    std::function<void()> execute; // emptied when the component goes
    std::shared_ptr<TWorkerWaits> waits;
    bool started = false;
    bool resumed = false;
    uint32_t sleep = 1;
    int64_t nativeId = 0;
    int baseNice = 0;
};

namespace {

int64_t CurrentNativeThreadId()
{
#if defined(_WIN32)
    return static_cast<int64_t>(GetCurrentThreadId());
#elif defined(__linux__)
    return static_cast<int64_t>(gettid());
#else
    return 0;
#endif
}

// Names the worker in debuggers and thread lists.
void NameThisThread()
{
#if defined(__linux__)
    pthread_setname_np(pthread_self(), "ThreadComponent");
#endif
}

int CurrentNice()
{
#if defined(__linux__)
    errno = 0;
    int nice = getpriority(PRIO_PROCESS, 0); // on Linux: the calling thread
    return errno == 0 ? nice : 0;
#else
    return 0;
#endif
}

// Maps the seven levels onto the platform's thread priorities. Linux has
// no per-thread priority under the normal scheduler, but it has a per-thread
// nice value: the levels become offsets from the nice the worker started
// with. An unprivileged process may lower a thread's priority but never
// raise it again (RLIMIT_NICE is 0 unless an administrator says otherwise),
// not even back to where it started: after tpLower, tpNormal and above fail
// and the worker keeps the lower priority it has.
void ApplyThreadPriority([[maybe_unused]] int64_t id, [[maybe_unused]] int baseNice,
                         [[maybe_unused]] TThreadPriority priority)
{
#if defined(_WIN32)
    static const int levels[] = {THREAD_PRIORITY_IDLE, THREAD_PRIORITY_LOWEST,
                                 THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                                 THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                                 THREAD_PRIORITY_TIME_CRITICAL};
    if (HANDLE h = OpenThread(THREAD_SET_INFORMATION, FALSE, static_cast<DWORD>(id))) {
        SetThreadPriority(h, levels[static_cast<int>(priority)]);
        CloseHandle(h);
    }
#elif defined(__linux__)
    static const int offsets[] = {40, 10, 5, 0, -5, -10, -40};
    int nice = baseNice + offsets[static_cast<int>(priority)];
    nice = nice < -20 ? -20 : nice > 19 ? 19 : nice;
    setpriority(PRIO_PROCESS, static_cast<id_t>(id), nice);
#endif
}

void RunWorker(std::shared_ptr<TNestedThread::TState> state)
{
    TNestedThread::TState& s = *state;
    NameThisThread();
    const std::stop_token stop = s.stop.get_token();
    const auto resumed = [&] { return s.resumed; };
    std::unique_lock lock(s.mutex);
    s.nativeId = CurrentNativeThreadId();
    s.baseNice = CurrentNice();
    s.started = true;
    s.changed.notify_all();

    while (s.changed.wait(lock, stop, resumed) && !stop.stop_requested()) {
        const std::chrono::milliseconds period(s.sleep);
        lock.unlock();
        const bool paused = s.waits->Pause(period, stop);
        lock.lock();
        // A suspension does not restart the pause, as suspending a sleeping
        // thread does not: it only holds up the call at its end. Writing
        // OnExecute or the priority suspends and resumes the worker, and must
        // not put the next call off each time.
        if (!paused || !s.changed.wait(lock, stop, resumed) || stop.stop_requested()) continue;
        lock.unlock();
        s.waits->HandOver(
            [state] {
                std::function<void()> execute;
                {
                    std::lock_guard guard(state->mutex);
                    execute = state->execute;
                }
                if (execute) execute();
            },
            stop);
        lock.lock();
    }
}

// Qt's event queue orders the posting of a call before its run, but its lock
// lives in the Qt library, out of the thread sanitizer's sight. This lock
// says the same in the open: the worker holds it while it posts, so the
// user-interface thread, which takes it before it looks at the call, runs
// and frees the call only after Qt has let go of it on the worker.
std::mutex postingCalls;

} // namespace

bool TWorkerWaits::Pause(std::chrono::milliseconds period, std::stop_token stop)
{
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    never.wait_for(lock, stop, period, [] { return false; });
    return !stop.stop_requested();
}

void TWorkerWaits::HandOver(std::function<void()> call, std::stop_token stop)
{
    struct TServed {
        std::mutex mutex;
        std::condition_variable_any done;
        bool served = false;
    };
    auto served = std::make_shared<TServed>();
    const auto serve = [served, call = std::move(call)] {
        { std::lock_guard posted(postingCalls); }
        // The handler's errors end here: the worker goes on with the next
        // call, and nothing reaches the application's error box each period.
        try {
            call();
        } catch (...) {
        }
        {
            std::lock_guard lock(served->mutex);
            served->served = true;
        }
        served->done.notify_all();
    };
    {
        std::lock_guard posting(postingCalls);
        // A call that could not be posted would never be served: no waiting
        // for it, the next period tries again.
        QCoreApplication* application = QCoreApplication::instance();
        if (!application || !QMetaObject::invokeMethod(application, serve, Qt::QueuedConnection)) return;
    }
    std::unique_lock lock(served->mutex);
    served->done.wait(lock, stop, [&] { return served->served; });
}

TNestedThread::TNestedThread(std::function<void()> execute, std::shared_ptr<TWorkerWaits> waits)
    : state_(std::make_shared<TState>())
{
    state_->execute = std::move(execute);
    state_->waits = std::move(waits);
    std::thread(RunWorker, state_).detach();
    std::unique_lock lock(state_->mutex);
    // Only a moment: the worker records its id first thing.
    state_->changed.wait(lock, [this] { return state_->started; });
}

TNestedThread::~TNestedThread()
{
    {
        // A call still on its way finds nothing to run; the stop frees a
        // worker waiting for it.
        std::lock_guard lock(state_->mutex);
        state_->execute = nullptr;
    }
    state_->stop.request_stop();
}

void TNestedThread::Suspend()
{
    std::lock_guard lock(state_->mutex);
    state_->resumed = false;
    state_->changed.notify_all();
}

void TNestedThread::Resume()
{
    std::lock_guard lock(state_->mutex);
    state_->resumed = true;
    state_->changed.notify_all();
}

void TNestedThread::SetSleep(uint32_t milliseconds)
{
    std::lock_guard lock(state_->mutex);
    state_->sleep = milliseconds;
}

void TNestedThread::SetPriority(TThreadPriority priority)
{
    std::lock_guard lock(state_->mutex);
    ApplyThreadPriority(state_->nativeId, state_->baseNice, priority);
}

TThreadComponent::TThreadComponent(TComponent* owner) : TThreadComponent(owner, std::make_shared<TWorkerWaits>()) {}

TThreadComponent::TThreadComponent(TComponent* owner, std::shared_ptr<TWorkerWaits> waits)
    : TComponent(owner), thread_(std::make_unique<TNestedThread>([this] { DoExecute(); }, std::move(waits)))
{
}

TThreadComponent::~TThreadComponent()
{
    MarkDestroying();
    thread_->Suspend();
    if (enabled_) {
        // An error cannot leave a destructor; the component goes regardless.
        try {
            DoTerminate();
        } catch (...) {
        }
    }
    // Released without waiting: the worker may be waiting for this very thread.
    thread_.reset();
}

void TThreadComponent::SetEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled) {
        DoStart();
        thread_->Resume();
    } else {
        thread_->Suspend();
        DoTerminate();
    }
}

void TThreadComponent::SetOnExecute(TNotifyEvent handler)
{
    onExecute_ = std::move(handler);
    if (enabled_) {
        thread_->Suspend();
        thread_->Resume();
    }
}

void TThreadComponent::SetSleep(uint32_t milliseconds)
{
    sleep_ = milliseconds;
    thread_->SetSleep(milliseconds);
}

void TThreadComponent::SetThreadPriority(TThreadPriority priority)
{
    if (priority == priority_) return;
    priority_ = priority;
    if (enabled_) {
        thread_->Suspend();
        thread_->SetPriority(priority);
        thread_->Resume();
    }
}

// Each dispatcher calls a copy of the handler: a handler may replace itself.
void TThreadComponent::DoExecute()
{
    if (TNotifyEvent handler = onExecute_) handler(this);
}

void TThreadComponent::DoTerminate()
{
    if (TNotifyEvent handler = onTerminate_) handler(this);
}

void TThreadComponent::DoStart()
{
    if (TNotifyEvent handler = onStart_) handler(this);
}
