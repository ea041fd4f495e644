#pragma once
// A form: the component that owns a top-level window's components and the
// window itself. It loads its components (BeginLoading ... EndLoading, which
// tells each of them Loaded) and runs its close handler when the window
// closes.

#include <QPointer>
#include <QWidget>

#include <functional>

#include "Component.h"

enum class TCloseAction { caNone, caHide };

// Told when the form's window is closing, once the window agreed to close;
// setting the action to caNone keeps the window open.
using TCloseEvent = std::function<void(TComponent* sender, TCloseAction& action)>;

class TFormWatcher;

class TForm : public TComponent {
public:
    // Takes over the window, which is freed with the form after its components.
    explicit TForm(QWidget* window, TComponent* owner = nullptr);
    ~TForm() override;

    QWidget* Window() const { return window_; }

    const TCloseEvent& OnClose() const { return onClose_; }
    void SetOnClose(TCloseEvent handler) { onClose_ = std::move(handler); }

private:
    friend class TFormWatcher;
    void DoClose(TCloseAction& action);

    QPointer<QWidget> window_;
    TCloseEvent onClose_;
};
