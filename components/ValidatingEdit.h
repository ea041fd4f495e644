#pragma once
// Validations: a single-line edit that checks its text when the user moves the focus out of
// it (Tab, Backtab, a click, a shortcut) and takes the focus back while the
// text may not stand. Descendants supply the check of the content.
//
// The check runs from a queued call, never inside the focus change: a click
// waits until the button is up, so that a click on a dialog's Cancel or OK
// button still lands, and a window that has gone away by then (Esc, Cancel,
// the close box) is left alone. Losing the focus to another program, a popup
// or the menu bar is no exit and is not checked. Taking the focus back is no
// exit of the edit that had it, so two edits with bad text never bounce the
// focus between them.

#include <QLineEdit>

#include <functional>


class TValidCustomEdit;

// CanLeave is false on entry; a handler sets it to accept the text anyway.
using TInvalidEvent = std::function<void(TValidCustomEdit* Sender, bool& CanLeave)>;
using TEditEvent = std::function<void(TValidCustomEdit* Sender)>;

class TValidCustomEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TValidCustomEdit(QWidget* parent = nullptr);

    // An empty text counts as valid without any check (default true).
    bool AllowEmpty() const { return allowEmpty_; }
    void SetAllowEmpty(bool value) { allowEmpty_ = value; }
    // Beep when a check fails (default true).
    bool BeepOnInvalid() const { return beepOnInvalid_; }
    void SetBeepOnInvalid(bool value) { beepOnInvalid_ = value; }
    const TInvalidEvent& OnInvalid() const { return onInvalid_; }
    void SetOnInvalid(TInvalidEvent handler) { onInvalid_ = std::move(handler); }

    // Select the whole text when the keyboard brings the focus (default true).
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool value) { autoSelect_ = value; }
    // The focus came in; it went out with text that may stand.
    const TEditEvent& OnEnter() const { return onEnter_; }
    void SetOnEnter(TEditEvent handler) { onEnter_ = std::move(handler); }
    const TEditEvent& OnExit() const { return onExit_; }
    void SetOnExit(TEditEvent handler) { onExit_ = std::move(handler); }
    // ReadOnly, the frame (BorderStyle) and OnChange (textChanged) are the
    // line edit's own.

    // May the text stand? Empty text passes when allowed; otherwise the
    // descendant's check decides, and a failure beeps and asks OnInvalid.
    bool Validate();

protected:
    virtual bool IsTextValid() = 0;
    // The platform's exclamation beep.
    virtual void Beep();

    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PostExitCheck();
    void CheckExit();
    void RunHandler(const TEditEvent& handler);

    bool allowEmpty_ = true;
    bool beepOnInvalid_ = true;
    bool autoSelect_ = true;
    TInvalidEvent onInvalid_;
    TEditEvent onEnter_;
    TEditEvent onExit_;
    bool exitPending_ = false;    // the focus left by the user, not yet checked
    bool waitingForRelease_ = false;
    bool takingFocusBack_ = false;
};

