#include "Form.h"

#include <QCloseEvent>
#include <QDialog>

#include "HandleException.h"

// Sees the window's close event and lets the window answer it first, so that
// the form's close handler runs only for a close the window agreed to.
class TFormWatcher : public QObject {
public:
    TFormWatcher(TForm* form, QWidget* window) : QObject(window), form_(form)
    {
        window->installEventFilter(this);
        // A dialog ended by accept() or reject() closes without a close event.
        if (auto* dialog = qobject_cast<QDialog*>(window))
            QObject::connect(dialog, &QDialog::finished, this, [this] {
                if (inCloseEvent_) return; // the close event is running the handler
                TCloseAction action = TCloseAction::caHide;
                Run(action);
            });
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Close || watched != parent() || inCloseEvent_) return false;
        inCloseEvent_ = true;
        static_cast<QObject*>(watched)->event(event);
        inCloseEvent_ = false;
        if (event->isAccepted()) {
            TCloseAction action = TCloseAction::caHide;
            Run(action);
            if (action == TCloseAction::caNone) event->ignore();
        }
        return true;
    }

private:
    void Run(TCloseAction& action)
    {
        // An exception must not cross Qt's event handling; report it and let
        // the window close all the same, or it could never be closed.
        try {
            form_->DoClose(action);
        } catch (const std::exception& e) {
            HandleException(e);
        }
    }

    TForm* form_;
    bool inCloseEvent_ = false;
};

TForm::TForm(QWidget* window, TComponent* owner, TWindowOwnership ownership)
    : TComponent(owner), window_(window), ownership_(ownership)
{
    if (window) watcher_ = new TFormWatcher(this, window);
}

TForm::~TForm()
{
    MarkDestroying();
    // The components go before the window they may refer to.
    while (!Components().empty()) delete Components().back();
    if (ownership_ == TWindowOwnership::woOwned)
        delete window_.data();
    else
        delete watcher_.data(); // the window stays: its close no longer reaches this form
}

void TForm::DoClose(TCloseAction& action)
{
    if (onClose_) onClose_(this, action);
}
