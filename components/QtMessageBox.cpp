#include "QtMessageBox.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

namespace {

struct TButtonDef {
    const char* text;
    int code;
};

// The buttons of each button flag, in the order the platform shows them.
std::vector<TButtonDef> ButtonsOf(uint32_t flags)
{
    switch (flags & mb::TYPEMASK) {
    case mb::OKCANCEL: return {{"OK", mrOK}, {"Cancel", mrCancel}};
    case mb::ABORTRETRYIGNORE: return {{"&Abort", mrAbort}, {"&Retry", mrRetry}, {"&Ignore", mrIgnore}};
    case mb::YESNOCANCEL: return {{"&Yes", mrYes}, {"&No", mrNo}, {"Cancel", mrCancel}};
    case mb::YESNO: return {{"&Yes", mrYes}, {"&No", mrNo}};
    case mb::RETRYCANCEL: return {{"&Retry", mrRetry}, {"Cancel", mrCancel}};
    default: return {{"OK", mrOK}};
    }
}

QMessageBox::Icon IconOf(uint32_t flags)
{
    switch (flags & mb::ICONMASK) {
    case mb::ICONHAND: return QMessageBox::Critical;
    case mb::ICONQUESTION: return QMessageBox::Question;
    case mb::ICONEXCLAMATION: return QMessageBox::Warning;
    case mb::ICONASTERISK: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

} // namespace

TQtMessageBox::TQtMessageBox(const TMessageBoxRequest& request, QWidget* parent) : QMessageBox(parent)
{
    const uint32_t flags = request.Flags;
    // Verbatim: texts are never read as markup, and the caption gets no
    // program name appended.
    setTextFormat(Qt::PlainText);
    setText(QString::fromStdString(request.Text));
    setWindowTitle(QString::fromStdString(request.Caption));
    setIcon(IconOf(flags));

    // All in one role, so that the button box keeps this order on every
    // desktop instead of sorting by role.
    for (const TButtonDef& def : ButtonsOf(flags)) {
        auto* button = new QPushButton(QString::fromLatin1(def.text), this);
        addButton(button, QMessageBox::ActionRole);
        buttons_.emplace_back(button, def.code);
    }
    size_t defaultIndex = 0;
    if ((flags & mb::DEFMASK) == mb::DEFBUTTON2) defaultIndex = 1;
    if ((flags & mb::DEFMASK) == mb::DEFBUTTON3) defaultIndex = 2;
    if (defaultIndex >= buttons_.size()) defaultIndex = 0;
    setDefaultButton(buttons_[defaultIndex].first);

    // Esc and the close box answer Cancel where there is one and OK on a lone
    // OK; without either the box can only be closed by its buttons.
    QPushButton* escape = nullptr;
    for (auto& [button, code] : buttons_)
        if (code == mrCancel) escape = button;
    if (buttons_.size() == 1) escape = buttons_[0].first;
    if (escape) setEscapeButton(escape);
    Qt::WindowFlags windowFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (escape) windowFlags |= Qt::WindowCloseButtonHint;

    if (flags & mb::RIGHT) {
        if (auto* label = findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
            label->setAlignment((label->alignment() & ~Qt::AlignHorizontal_Mask) | Qt::AlignRight);
    }
    if (flags & (mb::SYSTEMMODAL | mb::TASKMODAL))
        setWindowModality(Qt::ApplicationModal);
    else if (request.Owner == TMessageBoxOwner::moDesktop)
        setWindowModality(Qt::NonModal);
    else
        setWindowModality(Qt::WindowModal);
    // After the modality, which resets the window flags. A system-modal box
    // is topmost too.
    if (flags & (mb::TOPMOST | mb::SYSTEMMODAL)) windowFlags |= Qt::WindowStaysOnTopHint;
    setWindowFlags(windowFlags);
}

int TQtMessageBox::ButtonCode() const
{
    QAbstractButton* clicked = clickedButton();
    for (const auto& [button, code] : buttons_)
        if (button == clicked) return code;
    return 0;
}

int ShowQtMessageBox(const TMessageBoxRequest& request)
{
    QWidget* owner = request.Owner == TMessageBoxOwner::moFocusedWindow ? QApplication::activeWindow() : nullptr;
    // The owner may go while the box is open and take the box with it.
    QPointer<TQtMessageBox> box = new TQtMessageBox(request, owner);
    QEventLoop loop;
    QObject::connect(box, &QDialog::finished, &loop, &QEventLoop::quit);
    QObject::connect(box, &QObject::destroyed, &loop, &QEventLoop::quit);
    // Shown and waited for by hand: exec() would make a box without modality
    // application-modal.
    box->show();
    loop.exec(QEventLoop::DialogExec);
    if (!box) return 0;
    int code = box->ButtonCode();
    delete box;
    return code;
}
