#pragma once
// Helpers of the edit and dialog tests: edits whose beeps are counted, a default locale for
// one test, and keys and clicks that take the way real input takes (through
// the window, so that shortcuts, focus reasons and mouse buttons are real).

#include <QApplication>
#include <QLocale>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <utility>

#include "FloatEdit.h"

// Counts the beeps of the tests' edits (TListenedFloatEdit) while it lives.
class BeepCounter {
public:
    BeepCounter() : previous_(std::exchange(current_, this)) {}
    ~BeepCounter() { current_ = previous_; }
    BeepCounter(const BeepCounter&) = delete;
    BeepCounter& operator=(const BeepCounter&) = delete;

    int count = 0;
    static void Heard()
    {
        if (current_) ++current_->count;
    }

private:
    static inline BeepCounter* current_ = nullptr;
    BeepCounter* previous_;
};

// A floating-point edit whose beeps the test hears instead of the speaker.
class TListenedFloatEdit : public TFloatEdit {
public:
    using TFloatEdit::TFloatEdit;

protected:
    void Beep() override { BeepCounter::Heard(); }
};

class DefaultLocale {
public:
    explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(previous_); }

private:
    QLocale previous_;
};

inline QWindow* WindowOf(QWidget* widget)
{
    return widget->window()->windowHandle();
}

inline void Key(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    QTest::keyClick(WindowOf(window), key, modifiers);
}

inline void Type(QWidget* window, const QString& text)
{
    for (QChar c : text) QTest::keyClick(WindowOf(window), c.toLatin1());
}

inline QPoint CentreInWindow(QWidget* widget)
{
    return widget->mapTo(widget->window(), widget->rect().center());
}

inline void Press(QWidget* widget)
{
    QTest::mousePress(WindowOf(widget), Qt::LeftButton, {}, CentreInWindow(widget));
}

inline void Release(QWidget* widget)
{
    QTest::mouseRelease(WindowOf(widget), Qt::LeftButton, {}, CentreInWindow(widget));
}

inline void Click(QWidget* widget)
{
    QTest::mouseClick(WindowOf(widget), Qt::LeftButton, {}, CentreInWindow(widget));
}

// Lets queued calls run (the edits check their exits from one).
inline void Settle()
{
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

inline bool ShownAndActive(QWidget* window)
{
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}
