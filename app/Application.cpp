#include "Application.h"

#include <cstdio>

#include "HandleException.h"
#include "MessageBox.h"

void ShowException(const std::exception& e)
{
    // Called from event handlers: nothing may leave it.
    try {
        PresentMessageBox({e.what(), ApplicationTitle(), mb::OK | mb::ICONHAND, TMessageBoxOwner::moFocusedWindow});
    } catch (const std::exception& again) {
        std::fprintf(stderr, "%s\n%s\n", e.what(), again.what());
    }
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        HandleException(e);
    }
    return false;
}
