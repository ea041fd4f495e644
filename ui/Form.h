#pragma once
// A form: the component that owns a top-level window's components and,
// unless told otherwise, the window itself. It loads its components
// (BeginLoading ... EndLoading, which tells each of them Loaded) and runs its
// close handler when the window closes.
//
// Who frees what: a TComponent is freed by its TComponent owner and never by
// a Qt parent (a component that is also a QObject must have no Qt parent); a
// widget is freed by its Qt parent. The form joins the two: it frees its
// components first, then its window (which frees its child widgets) when the
// window is its own (woOwned). A window that Qt or the stack owns (woBorrowed)
// is never freed by the form; if it goes first, the form sees it gone
// (Window() is null) and its components stay until the form goes.

#include <QPointer>
#include <QWidget>

#include <functional>

#include "Component.h"

enum class TCloseAction { caNone, caHide };
enum class TWindowOwnership { woOwned, woBorrowed };

// Told when the form's window is closing, once the window agreed to close;
// setting the action to caNone keeps the window open.
using TCloseEvent = std::function<void(TComponent* sender, TCloseAction& action)>;

class TFormWatcher;

class TForm : public TComponent {
public:
    // With woOwned the form takes over the window and frees it after its
    // components.
    explicit TForm(QWidget* window, TComponent* owner = nullptr,
                   TWindowOwnership ownership = TWindowOwnership::woOwned);
    ~TForm() override;

    QWidget* Window() const { return window_; }

    const TCloseEvent& OnClose() const { return onClose_; }
    void SetOnClose(TCloseEvent handler) { onClose_ = std::move(handler); }

private:
    friend class TFormWatcher;
    void DoClose(TCloseAction& action);

    QPointer<QWidget> window_;
    QPointer<QObject> watcher_; // a child of the window
    TWindowOwnership ownership_;
    TCloseEvent onClose_;
};
