#pragma once
// The countdown after which a parentless key closes itself. Behind an
// interface so that the window program can run it on its event loop and tests
// with a clock of their own.

#include <functional>

#include "ProcessHook.h"

class TIdleTimer {
public:
    virtual ~TIdleTimer() = default;
    // Starts the countdown, or starts it over. It repeats until disposed of.
    virtual void Restart() = 0;
    // Stops the timer and frees it; safe also from within its own expiry.
    virtual void Dispose() = 0;

protected:
    TIdleTimer() = default;
};

class TIdleTimerFactory {
public:
    virtual ~TIdleTimerFactory() = default;
    // A stopped timer whose expiry runs on the user-interface thread.
    virtual TIdleTimer* Create(int intervalMs, std::function<void()> expiry) = 0;
};

// The factory keys use. Until one is installed the timers never expire: a
// program without an event loop keeps its keys open until it frees them.
TIdleTimerFactory& IdleTimers();
// The factory installed (nullptr: the timers that never expire); the
// installer keeps ownership.
using TIdleTimersHook = TProcessHook<TIdleTimerFactory*, struct TIdleTimersTag>;
using TIdleTimersScope = TIdleTimersHook::TScope;
