#pragma once
// The countdown after which a parentless key closes itself. Behind an
// interface so that tests can drive it with a clock of their own.

#include <functional>

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

// The factory keys use: Qt timers unless replaced.
TIdleTimerFactory& IdleTimers();
// Replaces the factory (nullptr: Qt timers) and returns the one in use before.
TIdleTimerFactory* SetIdleTimers(TIdleTimerFactory* factory);
