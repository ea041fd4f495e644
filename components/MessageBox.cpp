#include "MessageBox.h"

#include <QCoreApplication>
#include <QString>

#include <utility>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include "QtMessageBox.h"
#endif

uint32_t MessageBoxFlags(const TMessageBoxOptions& options)
{
    uint32_t flags = 0;
    switch (options.Buttons) {
    case TMessageBoxButtons::mbxAbortRetryIgnore: flags |= mb::ABORTRETRYIGNORE; break;
    case TMessageBoxButtons::mbxOK: flags |= mb::OK; break;
    case TMessageBoxButtons::mbxOKCancel: flags |= mb::OKCANCEL; break;
    case TMessageBoxButtons::mbxRetryCancel: flags |= mb::RETRYCANCEL; break;
    case TMessageBoxButtons::mbxYesNo: flags |= mb::YESNO; break;
    case TMessageBoxButtons::mbxYesNoCancel: flags |= mb::YESNOCANCEL; break;
    }
    switch (options.Icon) {
    case TMessageBoxIcon::mbxIconExclamation:
    case TMessageBoxIcon::mbxIconWarning: flags |= mb::ICONEXCLAMATION; break;
    case TMessageBoxIcon::mbxIconInformation:
    case TMessageBoxIcon::mbxIconAsterisk: flags |= mb::ICONASTERISK; break;
    case TMessageBoxIcon::mbxIconQuestion: flags |= mb::ICONQUESTION; break;
    case TMessageBoxIcon::mbxIconStop:
    case TMessageBoxIcon::mbxIconError:
    case TMessageBoxIcon::mbxIconHand: flags |= mb::ICONHAND; break;
    case TMessageBoxIcon::mbxNoIcon: break;
    }
    switch (options.DefaultButton) {
    case TMessageBoxDefButton::mbxDefButton2: flags |= mb::DEFBUTTON2; break;
    case TMessageBoxDefButton::mbxDefButton3: flags |= mb::DEFBUTTON3; break;
    case TMessageBoxDefButton::mbxDefButton1:
    case TMessageBoxDefButton::mbxNoDefButton: break;
    }
    switch (options.Modality) {
    case TMessageBoxModality::mbxSystemModal: flags |= mb::SYSTEMMODAL; break;
    case TMessageBoxModality::mbxTaskModal: flags |= mb::TASKMODAL; break;
    case TMessageBoxModality::mbxApplModal:
    case TMessageBoxModality::mbxDefModality:
    case TMessageBoxModality::mbxNoModality: break;
    }
    if (options.TextAlignment == TMessageBoxTextAlignment::mbxRight) flags |= mb::RIGHT;
    if (options.OnTop) flags |= mb::TOPMOST;
    return flags;
}

TMessageBoxOwner MessageBoxOwner(TMessageBoxModality modality)
{
    switch (modality) {
    case TMessageBoxModality::mbxTaskModal: return TMessageBoxOwner::moNone;
    case TMessageBoxModality::mbxNoModality: return TMessageBoxOwner::moDesktop;
    default: return TMessageBoxOwner::moFocusedWindow;
    }
}

int PresentMessageBox(const TMessageBoxRequest& request)
{
    // A copy: the presenter may replace itself while its box is open.
    TMessageBoxPresenter presenter = TMessageBoxPresenterHook::Installed();
    return presenter ? presenter(request) : PlatformMessageBox(request);
}

int PlatformMessageBox(const TMessageBoxRequest& request)
{
#if defined(_WIN32)
    HWND owner = nullptr;
    switch (request.Owner) {
    case TMessageBoxOwner::moFocusedWindow: owner = GetActiveWindow(); break;
    case TMessageBoxOwner::moNone: break;
    case TMessageBoxOwner::moDesktop: owner = GetDesktopWindow(); break;
    }
    // The texts are UTF-8; the wide call shows them whatever the code page.
    const std::wstring text = QString::fromStdString(request.Text).toStdWString();
    const std::wstring caption = QString::fromStdString(request.Caption).toStdWString();
    return MessageBoxW(owner, text.c_str(), caption.c_str(), request.Flags);
#else
    return ShowQtMessageBox(request);
#endif
}

std::string ApplicationTitle()
{
    return QCoreApplication::applicationName().toStdString();
}

TMessageBox::TMessageBox(TComponent* owner)
    : TComponent(owner), caption_(ApplicationTitle()), text_("Write your message here.")
{
}

int TMessageBox::Execute()
{
    bool allowExec = true;
    if (TOnMessageBoxBeforeExecuteEvent handler = onBeforeExecute_) handler(this, allowExec);
    if (!allowExec) {
        lastResult_ = -1;
        return -1;
    }
    const TMessageBoxRequest request{text_, caption_, MessageBoxFlags(options_), MessageBoxOwner(options_.Modality)};
    const int code = PresentMessageBox(request);
    lastResult_ = code;
    if (TOnMessageBoxAfterExecuteEvent handler = onAfterExecute_) handler(this);
    return code;
}

int TMessageBox::ExecuteText(const std::string& text)
{
    // Text comes back also when the box or a handler raises.
    struct TRestore {
        std::string& text;
        std::string saved;
        ~TRestore() { text = std::move(saved); }
    } restore{text_, text_};
    text_ = text;
    return Execute();
}

int TMessageBox::ExecuteFmt(const std::vector<TFormatArg>& args)
{
    return ExecuteText(Format(text_, args));
}
