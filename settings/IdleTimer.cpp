#include "IdleTimer.h"

#include <utility>

namespace {

class TSilentTimer : public TIdleTimer {
public:
    void Restart() override {}
    void Dispose() override { delete this; }
};

class TSilentTimers : public TIdleTimerFactory {
public:
    TIdleTimer* Create(int, std::function<void()>) override { return new TSilentTimer; }
};

TSilentTimers silentTimers;
TIdleTimerFactory* installed = nullptr;

} // namespace

TIdleTimerFactory& IdleTimers()
{
    return installed ? *installed : silentTimers;
}

TIdleTimerFactory* SetIdleTimers(TIdleTimerFactory* factory)
{
    return std::exchange(installed, factory);
}
