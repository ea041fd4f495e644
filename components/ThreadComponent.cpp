#include "ThreadComponent.h"

#include <QMetaObject>
#include <QObject>

#include <atomic>
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
#include <sys/resource.h>
#include <unistd.h>
#endif

class TThreadContext;

// Everything the worker and the component share. The worker holds it through
// a shared pointer, so it outlives the component when the worker is still
// waiting at destruction.
struct TNestedThread::TState {
    mutable std::mutex mutex;
    mutable std::condition_variable changed;

    TThreadComponent* component = nullptr; // the link; null once the component goes
    TThreadContext* context = nullptr;     // receives the handed-over calls
    bool linked = false;
    bool stop = false;
    bool resumed = false;
    uint32_t sleep = 1;
    bool pending = false; // a call is posted and has neither run nor been discarded
    uint64_t posted = 0;
    bool stepping = false;
    uint64_t steps = 0;
    TWorkerPhase phase = TWorkerPhase::wpStarting;
    bool started = false;
    int64_t nativeId = 0;
    int baseNice = 0;
    TThreadPriority priority = TThreadPriority::tpNormal;

    void SetPhase(TWorkerPhase p)
    {
        phase = p;
        changed.notify_all();
    }
};

namespace {

std::atomic<int> runningWorkers{0};

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

} // namespace

// Lives on the user-interface thread and runs the calls the worker posts to
// it. Deleting it drops a call that has not run yet.
class TThreadContext : public QObject {
public:
    explicit TThreadContext(std::shared_ptr<TNestedThread::TState> state) : state_(std::move(state)) {}
    bool Serving() const { return serving_; }

    void Serve()
    {
        TThreadComponent* component;
        {
            std::lock_guard lock(state_->mutex);
            if (!state_->pending) return;
            component = state_->component;
        }
        serving_ = true;
        if (component) {
            // The handler's errors end here: the worker goes on with the next
            // call, and nothing reaches the application's error box each period.
            try {
                component->DoExecute();
            } catch (...) {
            }
        }
        serving_ = false;
        {
            std::lock_guard lock(state_->mutex);
            state_->pending = false;
        }
        state_->changed.notify_all();
    }

private:
    std::shared_ptr<TNestedThread::TState> state_;
    bool serving_ = false; // touched by the user-interface thread only
};

namespace {

// Returns false when the pause was cut short by a stop or a change of the
// stepping seam; the loop then starts over. A suspension does not restart the
// pause, as suspending a sleeping thread does not: it only holds up the call
// at its end. Writing OnExecute or the priority suspends and resumes the
// worker, and must not put the next call off each time.
bool Pause(TNestedThread::TState& s, std::unique_lock<std::mutex>& lock)
{
    if (s.stepping) {
        s.changed.wait(lock, [&] { return s.stop || !s.resumed || !s.stepping || s.steps > 0; });
        if (s.stop || !s.resumed || !s.stepping) return false;
        --s.steps;
        return true;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(s.sleep);
    if (s.changed.wait_until(lock, deadline, [&] { return s.stop || s.stepping; })) return false;
    if (!s.resumed) {
        s.SetPhase(TWorkerPhase::wpSuspended);
        s.changed.wait(lock, [&] { return s.stop || s.stepping || s.resumed; });
    }
    return !s.stop && !s.stepping;
}

void RunWorker(std::shared_ptr<TNestedThread::TState> state)
{
    {
        TNestedThread::TState& s = *state;
        std::unique_lock lock(s.mutex);
        s.nativeId = CurrentNativeThreadId();
        s.baseNice = CurrentNice();
        s.started = true;
        s.changed.notify_all();

        s.changed.wait(lock, [&] { return s.linked || s.stop; });
        while (!s.stop) {
            if (!s.resumed) {
                s.SetPhase(TWorkerPhase::wpSuspended);
                s.changed.wait(lock, [&] { return s.resumed || s.stop; });
                continue;
            }
            s.SetPhase(TWorkerPhase::wpPausing);
            if (!Pause(s, lock)) continue;
            // Posted under the lock: the component cannot delete the context
            // while the event is on its way to it. A call that could not be
            // posted would never be served: no waiting for it, the next
            // period tries again.
            s.pending = true;
            if (!QMetaObject::invokeMethod(s.context, &TThreadContext::Serve, Qt::QueuedConnection)) {
                s.pending = false;
                continue;
            }
            ++s.posted;
            s.SetPhase(TWorkerPhase::wpWaiting);
            s.changed.wait(lock, [&] { return !s.pending || s.stop; });
        }
        s.SetPhase(TWorkerPhase::wpStopped);
    }
    state.reset();
    --runningWorkers;
}

} // namespace

TNestedThread::TNestedThread(TThreadComponent* component) : state_(std::make_shared<TState>())
{
    auto context = std::make_unique<TThreadContext>(state_);
    state_->context = context.get();
    ++runningWorkers;
    try {
        std::thread(RunWorker, state_).detach();
    } catch (...) {
        --runningWorkers;
        throw;
    }
    context.release();
    std::unique_lock lock(state_->mutex);
    // Only a moment: the worker records its id first thing.
    state_->changed.wait(lock, [this] { return state_->started; });
    state_->component = component;
    state_->linked = true;
    state_->changed.notify_all();
}

TNestedThread::~TNestedThread()
{
    std::lock_guard lock(state_->mutex);
    state_->stop = true;
    state_->component = nullptr;
    // Dropping the context drops a call still on its way, and the stop frees
    // a worker waiting for it. A context running its call right now (the
    // component freed by its own handler) must outlive that call.
    if (state_->context->Serving())
        state_->context->deleteLater();
    else
        delete state_->context;
    state_->context = nullptr;
    state_->changed.notify_all();
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
    state_->priority = priority;
    ApplyThreadPriority(state_->nativeId, state_->baseNice, priority);
}

TThreadComponent::TThreadComponent(TComponent* owner)
    : TComponent(owner), thread_(std::make_unique<TNestedThread>(this))
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

TWorkerTestAccess::TWorkerTestAccess(TThreadComponent& component) : state_(component.thread_->state_) {}

void TWorkerTestAccess::SetStepping(bool stepping)
{
    std::lock_guard lock(state_->mutex);
    state_->stepping = stepping;
    state_->steps = 0;
    state_->changed.notify_all();
}

void TWorkerTestAccess::Step()
{
    std::lock_guard lock(state_->mutex);
    ++state_->steps;
    state_->changed.notify_all();
}

TWorkerPhase TWorkerTestAccess::Phase() const
{
    std::lock_guard lock(state_->mutex);
    return state_->phase;
}

bool TWorkerTestAccess::WaitForPhase(TWorkerPhase phase, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(state_->mutex);
    return state_->changed.wait_for(lock, timeout, [&] { return state_->phase == phase; });
}

uint64_t TWorkerTestAccess::PostedCalls() const
{
    std::lock_guard lock(state_->mutex);
    return state_->posted;
}

bool TWorkerTestAccess::WaitForPostedCalls(uint64_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(state_->mutex);
    return state_->changed.wait_for(lock, timeout, [&] { return state_->posted >= count; });
}

int64_t TWorkerTestAccess::NativeId() const
{
    std::lock_guard lock(state_->mutex);
    return state_->nativeId;
}

int TWorkerTestAccess::RunningWorkers()
{
    return runningWorkers.load();
}

TThreadPriority TWorkerTestAccess::Priority() const
{
    std::lock_guard lock(state_->mutex);
    return state_->priority;
}
