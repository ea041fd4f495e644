#include "IdleTimer.h"

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

} // namespace

TIdleTimerFactory& IdleTimers()
{
    TIdleTimerFactory* installed = TIdleTimersHook::Installed();
    return installed ? *installed : silentTimers;
}
