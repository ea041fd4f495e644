#include "Application.h"

#include "HandleException.h"
#include "MessageBox.h"

void ShowException(const std::exception& e)
{
    PresentMessageBox({e.what(), ApplicationTitle(), mb::OK | mb::ICONHAND, TMessageBoxOwner::moFocusedWindow});
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
