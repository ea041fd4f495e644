#include "QtIdleTimer.h"

#include <QObject>
#include <QTimer>

namespace {

class TQtIdleTimer : public QObject, public TIdleTimer {
public:
    TQtIdleTimer(int intervalMs, std::function<void()> expiry) : expiry_(std::move(expiry))
    {
        timer_.setInterval(intervalMs);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            firing_ = true;
            expiry_();
            firing_ = false;
        });
    }
    void Restart() override { timer_.start(); }
    void Dispose() override
    {
        timer_.stop();
        // Freeing the timer now would pull it from under its own timeout
        // signal: leave that to the event loop.
        if (firing_)
            deleteLater();
        else
            delete this;
    }

private:
    QTimer timer_;
    std::function<void()> expiry_;
    bool firing_ = false;
};

class TQtIdleTimers : public TIdleTimerFactory {
public:
    TIdleTimer* Create(int intervalMs, std::function<void()> expiry) override
    {
        return new TQtIdleTimer(intervalMs, std::move(expiry));
    }
};

} // namespace

TIdleTimerFactory& QtIdleTimers()
{
    static TQtIdleTimers factory;
    return factory;
}
