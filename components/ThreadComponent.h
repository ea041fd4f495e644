#pragma once
// A non-visual component that calls its OnExecute handler periodically on
// the user-interface thread. Its worker, TNestedThread, sleeps and then hands
// one call at a time over to the user-interface thread, which serves it only
// when it processes events: in its idle loop and in nested loops (dialogs,
// message boxes, menus), never inside a long synchronous handler.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "Component.h"

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

using TNotifyEvent = std::function<void(TComponent* Sender)>;

class TThreadComponent;

// Where the worker is; the tests wait for these (TWorkerTestAccess).
enum class TWorkerPhase {
    wpStarting,  // not yet linked to its component
    wpSuspended, // paused: starts no call until resumed
    wpPausing,   // sleeping before the next call
    wpWaiting,   // a call is posted; waiting until it has run or been discarded
    wpStopped,   // the component is gone; the thread ends
};

// The worker. It runs on a thread of its own, shares its state with the
// component through a shared pointer and is detached when the component goes,
// so that the component never waits for it.
class TNestedThread {
public:
    explicit TNestedThread(TThreadComponent* component);
    ~TNestedThread();
    TNestedThread(const TNestedThread&) = delete;
    TNestedThread& operator=(const TNestedThread&) = delete;

    void Suspend();
    void Resume();
    void SetSleep(uint32_t milliseconds);
    // Gives the worker thread the platform priority for this level.
    void SetPriority(TThreadPriority priority);

    struct TState;

private:
    friend class TWorkerTestAccess;
    std::shared_ptr<TState> state_;
};

class TThreadComponent : public TComponent {
public:
    explicit TThreadComponent(TComponent* owner = nullptr);
    ~TThreadComponent() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    const TNotifyEvent& OnExecute() const { return onExecute_; }
    void SetOnExecute(TNotifyEvent handler);
    const TNotifyEvent& OnTerminate() const { return onTerminate_; }
    void SetOnTerminate(TNotifyEvent handler) { onTerminate_ = std::move(handler); }
    const TNotifyEvent& OnStart() const { return onStart_; }
    void SetOnStart(TNotifyEvent handler) { onStart_ = std::move(handler); }
    uint32_t Sleep() const { return sleep_; }
    void SetSleep(uint32_t milliseconds);
    TThreadPriority ThreadPriority() const { return priority_; }
    void SetThreadPriority(TThreadPriority priority);

protected:
    friend class TThreadContext; // serves the handed-over call
    virtual void DoExecute();
    virtual void DoTerminate();
    virtual void DoStart();

private:
    friend class TWorkerTestAccess;
    bool enabled_ = false;
    TNotifyEvent onExecute_;
    TNotifyEvent onTerminate_;
    TNotifyEvent onStart_;
    uint32_t sleep_ = 1;
    TThreadPriority priority_ = TThreadPriority::tpNormal;
    std::unique_ptr<TNestedThread> thread_;
};

// The worker's seams, for tests only. With stepping on, each pause before a
// call lasts until Step() instead of Sleep milliseconds; each Step() allows
// one call.
class TWorkerTestAccess {
public:
    explicit TWorkerTestAccess(TThreadComponent& component);

    void SetStepping(bool stepping);
    void Step();
    TWorkerPhase Phase() const;
    bool WaitForPhase(TWorkerPhase phase, std::chrono::milliseconds timeout) const;
    // Calls handed over to the user-interface thread so far.
    uint64_t PostedCalls() const;
    bool WaitForPostedCalls(uint64_t count, std::chrono::milliseconds timeout) const;
    // The level the worker was last given (tpNormal at creation).
    TThreadPriority Priority() const;
    // The platform's id of the worker thread (a Linux thread id, a Windows
    // thread id).
    int64_t NativeId() const;
    // Worker threads of any component that have not yet ended.
    static int RunningWorkers();

private:
    std::shared_ptr<TNestedThread::TState> state_;
};
