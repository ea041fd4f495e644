#pragma once
// Registry key components. A key names a registry key below the current
// user's root; keys form chains, each opened below its parent's key. A key
// opens when its handle is first needed, creating missing keys on the way, and
// a key without a parent closes itself five seconds after its last use.

#include <string>

#include "Component.h"
#include "Exceptions.h"
#include "Registry.h"

class TIdleTimer;

class ERegistryError : public Exception {
public:
    using Exception::Exception;
};

// Keys and values.
class TRegistryEntry : public TComponent {
public:
    using TComponent::TComponent;
    virtual bool Exists() = 0;
    virtual void Delete() = 0;
};

class TCustomKey : public TRegistryEntry {
public:
    explicit TCustomKey(TComponent* owner = nullptr);
    ~TCustomKey() override;

    // True when the key's full path is in the registry; creates nothing and
    // leaves this key's own handle alone.
    bool Exists() override;
    void Delete() override;

    TCustomKey* ParentKey() const { return parent_; }
    virtual void SetParentKey(TCustomKey* value);

    // The path relative to the key below which this one is opened.
    virtual std::string KeyName() const;
    // The path relative to HKEY_CURRENT_USER.
    std::string FullPath() const;
    // Opens the key if need be.
    TRegKey Handle();
    bool IsOpen() const { return handle_ != 0; }

    virtual void Open();
    virtual void Close();

    static constexpr int IdleInterval = 5000; // ms

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    // Raises the cross-reference error when the chain above runs in a circle
    // (only a chain set up while loading can).
    void CheckChain() const;
    void DisposeTimer();

    TCustomKey* parent_ = nullptr;
    TIdleTimer* timer_ = nullptr;
    TRegKey handle_ = 0;
    std::string openPath_; // FullPath when the key was opened
};

// The application's key: Software\<company>\<application>\<version>.
class TAppConfigKey : public TCustomKey {
public:
    explicit TAppConfigKey(TComponent* owner = nullptr);

    std::string KeyName() const override;

    const std::string& CompanyName() const { return companyName_; }
    const std::string& ApplicationName() const { return applicationName_; }
    const std::string& ApplicationVersion() const { return applicationVersion_; }
    void SetCompanyName(const std::string& value) { SetPart(companyName_, value); }
    void SetApplicationName(const std::string& value) { SetPart(applicationName_, value); }
    void SetApplicationVersion(const std::string& value) { SetPart(applicationVersion_, value); }

private:
    void SetPart(std::string& part, const std::string& value);

    std::string companyName_ = "Someone forgot to specify company name";
    std::string applicationName_ = "Someone forgot to specify application name";
    std::string applicationVersion_ = "Someone forgot to specify application version";
};
