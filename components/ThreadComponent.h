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
#include <stop_token>

#include "Component.h"

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

using TNotifyEvent = std::function<void(TComponent* Sender)>;

// What the worker waits with: the pause before each call, and the call's run
// on the user-interface thread. Both run on the worker and end at once when
// `stop` is requested: the component never waits for its worker.
class TWorkerWaits {
public:
    virtual ~TWorkerWaits() = default;
    // Sleeps `period`; false when the stop came first.
    virtual bool Pause(std::chrono::milliseconds period, std::stop_token stop);
    // Has the user-interface thread run `call` when it next processes events,
    // and waits until it has.
    virtual void HandOver(std::function<void()> call, std::stop_token stop);
};

// The worker. It runs on a thread of its own (named "ThreadComponent"),
// shares its state with the component through a shared pointer and is
// detached when the component goes, so that the component never waits for it.
class TNestedThread {
public:
    // `execute` runs on the user-interface thread, once per period, until the
    // worker goes.
    TNestedThread(std::function<void()> execute, std::shared_ptr<TWorkerWaits> waits);
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
    // A component whose worker waits with `waits` instead of sleeping.
    TThreadComponent(TComponent* owner, std::shared_ptr<TWorkerWaits> waits);

    virtual void DoExecute();
    virtual void DoTerminate();
    virtual void DoStart();

private:
    bool enabled_ = false;
    TNotifyEvent onExecute_;
    TNotifyEvent onTerminate_;
    TNotifyEvent onStart_;
    uint32_t sleep_ = 1;
    TThreadPriority priority_ = TThreadPriority::tpNormal;
    std::unique_ptr<TNestedThread> thread_;
};
