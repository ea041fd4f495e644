#pragma once
// A non-visual component that keeps the texts and options of one message
// box, so that a window declares its boxes among its components and shows
// each with one call. Every message box of the program, this component's
// and the error box alike, goes through PresentMessageBox.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Component.h"
#include "Format.h"
#include "ProcessHook.h"

enum class TMessageBoxButtons { mbxAbortRetryIgnore, mbxOK, mbxOKCancel, mbxRetryCancel, mbxYesNo, mbxYesNoCancel };
enum class TMessageBoxIcon {
    mbxIconExclamation,
    mbxIconWarning,
    mbxIconInformation,
    mbxIconAsterisk,
    mbxIconQuestion,
    mbxIconStop,
    mbxIconError,
    mbxIconHand,
    mbxNoIcon,
};
enum class TMessageBoxDefButton { mbxDefButton1, mbxDefButton2, mbxDefButton3, mbxNoDefButton };
enum class TMessageBoxModality { mbxApplModal, mbxSystemModal, mbxTaskModal, mbxDefModality, mbxNoModality };
enum class TMessageBoxTextAlignment { mbxLeft, mbxRight };

// The platform's message box flags.
namespace mb {
constexpr uint32_t OK = 0x0;
constexpr uint32_t OKCANCEL = 0x1;
constexpr uint32_t ABORTRETRYIGNORE = 0x2;
constexpr uint32_t YESNOCANCEL = 0x3;
constexpr uint32_t YESNO = 0x4;
constexpr uint32_t RETRYCANCEL = 0x5;
constexpr uint32_t TYPEMASK = 0xF;
constexpr uint32_t ICONHAND = 0x10;
constexpr uint32_t ICONQUESTION = 0x20;
constexpr uint32_t ICONEXCLAMATION = 0x30;
constexpr uint32_t ICONASTERISK = 0x40;
constexpr uint32_t ICONMASK = 0xF0;
constexpr uint32_t DEFBUTTON2 = 0x100;
constexpr uint32_t DEFBUTTON3 = 0x200;
constexpr uint32_t DEFMASK = 0xF00;
constexpr uint32_t SYSTEMMODAL = 0x1000;
constexpr uint32_t TASKMODAL = 0x2000;
constexpr uint32_t MODEMASK = 0x3000;
constexpr uint32_t TOPMOST = 0x40000;
constexpr uint32_t RIGHT = 0x80000;
} // namespace mb

// The platform's button codes, which Execute returns.
constexpr int mrOK = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7;

// The window a box belongs to: the one with the keyboard focus, none (a box
// of the whole task) or the desktop (a box that blocks no window).
enum class TMessageBoxOwner { moFocusedWindow, moNone, moDesktop };

struct TMessageBoxOptions {
    TMessageBoxButtons Buttons = TMessageBoxButtons::mbxOKCancel;
    TMessageBoxIcon Icon = TMessageBoxIcon::mbxNoIcon;
    TMessageBoxDefButton DefaultButton = TMessageBoxDefButton::mbxNoDefButton;
    TMessageBoxModality Modality = TMessageBoxModality::mbxDefModality;
    TMessageBoxTextAlignment TextAlignment = TMessageBoxTextAlignment::mbxLeft;
    bool OnTop = false;
};

uint32_t MessageBoxFlags(const TMessageBoxOptions& options);
TMessageBoxOwner MessageBoxOwner(TMessageBoxModality modality);

struct TMessageBoxRequest {
    std::string Text;
    std::string Caption;
    uint32_t Flags = 0;
    TMessageBoxOwner Owner = TMessageBoxOwner::moFocusedWindow;
};

// Shows a box and returns the code of the button that closed it (0 when the
// box went away unanswered).
using TMessageBoxPresenter = std::function<int(const TMessageBoxRequest&)>;

// The one way the program shows a message box; user-interface thread only.
int PresentMessageBox(const TMessageBoxRequest& request);
// The presenter installed (tests record the boxes instead of showing them);
// none (empty): the platform's box.
using TMessageBoxPresenterHook = TProcessHook<TMessageBoxPresenter, struct TMessageBoxPresenterTag>;
using TMessageBoxPresenterScope = TMessageBoxPresenterHook::TScope;
// The platform's box: MessageBox on Windows, a Qt box that behaves like it
// elsewhere (QtMessageBox.h).
int PlatformMessageBox(const TMessageBoxRequest& request);

// The application title: the caption new message boxes get.
std::string ApplicationTitle();

using TOnMessageBoxBeforeExecuteEvent = std::function<void(TComponent* Sender, bool& AllowExec)>;
using TOnMessageBoxAfterExecuteEvent = std::function<void(TComponent* Sender)>;

class TMessageBox : public TComponent {
public:
    explicit TMessageBox(TComponent* owner = nullptr);

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption) { caption_ = std::move(caption); }
    const std::string& Text() const { return text_; }
    void SetText(std::string text) { text_ = std::move(text); }
    TMessageBoxButtons Buttons() const { return options_.Buttons; }
    void SetButtons(TMessageBoxButtons buttons) { options_.Buttons = buttons; }
    TMessageBoxIcon Icon() const { return options_.Icon; }
    void SetIcon(TMessageBoxIcon icon) { options_.Icon = icon; }
    TMessageBoxDefButton DefaultButton() const { return options_.DefaultButton; }
    void SetDefaultButton(TMessageBoxDefButton button) { options_.DefaultButton = button; }
    TMessageBoxModality Modality() const { return options_.Modality; }
    void SetModality(TMessageBoxModality modality) { options_.Modality = modality; }
    TMessageBoxTextAlignment TextAlignment() const { return options_.TextAlignment; }
    void SetTextAlignment(TMessageBoxTextAlignment alignment) { options_.TextAlignment = alignment; }
    bool OnTop() const { return options_.OnTop; }
    void SetOnTop(bool onTop) { options_.OnTop = onTop; }
    const TOnMessageBoxAfterExecuteEvent& OnAfterExecute() const { return onAfterExecute_; }
    void SetOnAfterExecute(TOnMessageBoxAfterExecuteEvent handler) { onAfterExecute_ = std::move(handler); }
    const TOnMessageBoxBeforeExecuteEvent& OnBeforeExecute() const { return onBeforeExecute_; }
    void SetOnBeforeExecute(TOnMessageBoxBeforeExecuteEvent handler) { onBeforeExecute_ = std::move(handler); }

    // The code the last Execute returned; -1 before the first.
    int LastResult() const { return lastResult_; }

    virtual int Execute();
    virtual int ExecuteText(const std::string& text);
    // Text is the format; the result fills its placeholders (Format.h).
    virtual int ExecuteFmt(const std::vector<TFormatArg>& args);

private:
    std::string caption_;
    std::string text_;
    TMessageBoxOptions options_;
    TOnMessageBoxAfterExecuteEvent onAfterExecute_;
    TOnMessageBoxBeforeExecuteEvent onBeforeExecute_;
    int lastResult_ = -1;
};
