#include "RegistryKeys.h"

#include <vector>

#include "Format.h"
#include "HandleException.h"
#include "IdleTimer.h"
#include "Messages.h"

namespace {

// True when target is start or lies above it in start's chain; a circle that
// does not pass through target ends the walk.
bool InChain(const TCustomKey* start, const TCustomKey* target)
{
    std::vector<const TCustomKey*> seen;
    for (const TCustomKey* k = start; k; k = k->ParentKey()) {
        if (k == target) return true;
        for (const TCustomKey* s : seen)
            if (s == k) return false;
        seen.push_back(k);
    }
    return false;
}

} // namespace

TCustomKey::TCustomKey(TComponent* owner) : TRegistryEntry(owner) {}

TCustomKey::~TCustomKey()
{
    MarkDestroying();
    try {
        Close();
    } catch (const std::exception&) {
        // Nothing can report it now; the handle is lost either way.
    }
    DisposeTimer();
}

void TCustomKey::CheckChain() const
{
    std::vector<const TCustomKey*> seen;
    for (const TCustomKey* k = this; k; k = k->parent_) {
        for (const TCustomKey* s : seen)
            if (s == k) throw ERegistryError(std::string(msg::CrossReference));
        seen.push_back(k);
    }
}

std::string TCustomKey::KeyName() const
{
    return parent_ ? Name() : "Software\\!!!KeyHarbor-LostKey!!!\\" + Name();
}

std::string TCustomKey::FullPath() const
{
    CheckChain();
    return parent_ ? parent_->FullPath() + "\\" + KeyName() : KeyName();
}

TRegKey TCustomKey::Handle()
{
    Open();
    return handle_;
}

void TCustomKey::Open()
{
    // A key whose path changed since it was opened (renamed, or a key above
    // it moved) is still open at the old place: reopen it at the new one.
    const std::string path = FullPath();
    if (handle_ && path != openPath_) Close();
    if (!handle_) {
        const TRegKey base = parent_ ? parent_->Handle() : hkCurrentUser;
        const std::string name = KeyName();
        TRegKey key = 0;
        if (Registry().CreateKey(base, name, &key) != regSuccess)
            throw ERegistryError(Format(msg::CannotOpenKey, {name}));
        handle_ = key;
        openPath_ = path;
    }
    if (!parent_) {
        if (!timer_)
            timer_ = IdleTimers().Create(IdleInterval, [this] {
                try {
                    Close();
                } catch (const std::exception& e) {
                    HandleException(e); // the timer stays and tries again
                }
            });
        timer_->Restart();
    }
}

void TCustomKey::Close()
{
    if (handle_) {
        if (Registry().CloseKey(handle_) != regSuccess)
            throw ERegistryError(Format(msg::CannotCloseKey, {KeyName()}));
        handle_ = 0;
        openPath_.clear();
    }
    DisposeTimer();
}

void TCustomKey::DisposeTimer()
{
    if (TIdleTimer* timer = timer_) {
        timer_ = nullptr;
        timer->Dispose();
    }
}

bool TCustomKey::Exists()
{
    TRegKey key = 0;
    if (Registry().OpenKey(hkCurrentUser, FullPath(), &key) != regSuccess) return false;
    Registry().CloseKey(key);
    return true;
}

void TCustomKey::Delete()
{
    Close();
    const TRegKey base = parent_ ? parent_->Handle() : hkCurrentUser;
    if (Registry().DeleteKey(base, KeyName()) != regSuccess)
        throw ERegistryError(Format(msg::CannotDeleteKey, {FullPath()}));
}

void TCustomKey::SetParentKey(TCustomKey* value)
{
    if (value == parent_) return;
    if (Loading()) {
        parent_ = value;
        return;
    }
    if (InChain(value, this)) throw ERegistryError(std::string(msg::CrossReference));
    Close();
    parent_ = value;
}

void TCustomKey::Notification(TComponent* component, TOperation operation)
{
    TRegistryEntry::Notification(component, operation);
    if (operation == TOperation::opRemove && component == parent_) parent_ = nullptr;
}

TAppConfigKey::TAppConfigKey(TComponent* owner) : TCustomKey(owner) {}

std::string TAppConfigKey::KeyName() const
{
    return "Software\\" + companyName_ + "\\" + applicationName_ + "\\" + applicationVersion_;
}

void TAppConfigKey::SetPart(std::string& part, const std::string& value)
{
    if (value.empty()) throw ERegistryError(std::string(msg::InvalidValue));
    Close();
    part = value;
}
