#include "ValidatingEdit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QMouseEvent>

#include "HandleException.h"

namespace {

// Reasons for which the focus leaves only for a while and comes back by
// itself: another program was activated, a popup or the menu bar opened.
bool IsPassing(Qt::FocusReason reason)
{
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason ||
           reason == Qt::MenuBarFocusReason;
}

// Reasons that mean the user moved the focus on.
bool IsUserExit(Qt::FocusReason reason)
{
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::MouseFocusReason ||
           reason == Qt::ShortcutFocusReason;
}

} // namespace

TValidCustomEdit::TValidCustomEdit(QWidget* parent) : QLineEdit(parent) {}

void TValidCustomEdit::Beep()
{
    QApplication::beep();
}

bool TValidCustomEdit::Validate()
{
    if (allowEmpty_ && text().isEmpty()) return true;
    if (IsTextValid()) return true;
    if (beepOnInvalid_) Beep();
    bool canLeave = false;
    if (onInvalid_) onInvalid_(this, canLeave);
    return canLeave;
}

void TValidCustomEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    const Qt::FocusReason reason = event->reason();
    if (!autoSelect_ &&
        (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason))
        deselect();
    // Back before its exit was checked, or taken back by the check: the
    // edit never lost the focus as far as its handlers know.
    const bool returning = exitPending_ || takingFocusBack_;
    exitPending_ = false;
    if (!returning && !IsPassing(reason)) RunHandler(onEnter_);
}

void TValidCustomEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    const Qt::FocusReason reason = event->reason();
    if (IsPassing(reason)) return;
    if (IsUserExit(reason)) {
        exitPending_ = true;
        PostExitCheck();
    } else {
        // Moved by the program (another edit taking its focus back among
        // them): no check, or two edits could bounce the focus for ever.
        RunHandler(onExit_);
    }
}

void TValidCustomEdit::PostExitCheck()
{
    QMetaObject::invokeMethod(this, [this] { CheckExit(); }, Qt::QueuedConnection);
}

void TValidCustomEdit::CheckExit()
{
    if (!exitPending_) return;
    // A click is under way: its release may still close the window (Cancel,
    // OK), and taking the focus from the button now would swallow the click.
    if (QGuiApplication::mouseButtons() != Qt::NoButton) {
        if (!waitingForRelease_) {
            waitingForRelease_ = true;
            qApp->installEventFilter(this);
        }
        return;
    }
    exitPending_ = false;
    const auto stillShown = [this] { return window()->isVisible() && isVisible() && isEnabled(); };
    if (hasFocus() || !stillShown()) return;

    bool valid = false;
    try {
        valid = Validate();
    } catch (const std::exception& e) {
        HandleException(e); // keep the focus: the text was not accepted
    }
    if (valid) {
        RunHandler(onExit_);
    } else if (stillShown()) {
        takingFocusBack_ = true;
        setFocus(Qt::OtherFocusReason);
        takingFocusBack_ = false;
    }
}

bool TValidCustomEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (waitingForRelease_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton) {
        waitingForRelease_ = false;
        qApp->removeEventFilter(this);
        PostExitCheck(); // after the release has done its work
    }
    return QLineEdit::eventFilter(watched, event);
}

void TValidCustomEdit::RunHandler(const TEditEvent& handler)
{
    if (!handler) return;
    // Called from Qt's focus handling, which no exception may cross.
    try {
        handler(this);
    } catch (const std::exception& e) {
        HandleException(e);
    }
}
