#pragma once
// Value components: one named registry value in a key.

#include "RegistryKeys.h"
#include "Variant.h"

class TCustomProfile : public TRegistryEntry {
public:
    using TRegistryEntry::TRegistryEntry;

    // True when the value Name is in the key (opening, if need be creating, the key).
    bool Exists() override;
    void Delete() override;

    TCustomKey* Key() const { return key_; }
    void SetKey(TCustomKey* key) { key_ = key; }

protected:
    void Notification(TComponent* component, TOperation operation) override;
    // The key, or the error that there is none.
    TCustomKey& CheckedKey() const;

private:
    TCustomKey* key_ = nullptr;
};

// A value read and written as a variant. Numeric kinds are stored as the
// 16-byte variant record; text as 00 01, the characters and a zero byte.
class TVariantProfile : public TCustomProfile {
public:
    using TCustomProfile::TCustomProfile;

    // Empty when the value does not exist, and for stored data this class
    // never writes.
    virtual void ReadValue(TVariant& value);
    virtual void WriteValue(const TVariant& value);
};
