#pragma once
// The hourglass while the program works: from construction until Restore or
// the end of the scope, whichever comes first. The one way the program shows
// that it is busy.

#include <QCursor>
#include <QGuiApplication>

class TBusyCursor {
public:
    TBusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { Restore(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

    void Restore()
    {
        if (!busy_) return;
        busy_ = false;
        QGuiApplication::restoreOverrideCursor();
    }

private:
    bool busy_ = true;
};
