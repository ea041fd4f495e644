#include "Profiles.h"

#include <algorithm>
#include <vector>

#include "Format.h"
#include "Messages.h"

TCustomKey& TCustomProfile::CheckedKey() const
{
    if (!key_) throw ERegistryError(std::string(msg::NoKey));
    return *key_;
}

bool TCustomProfile::Exists()
{
    TCustomKey& key = CheckedKey();
    std::uint32_t size = 0;
    return Registry().QueryValue(key.Handle(), Name(), nullptr, nullptr, &size) == regSuccess;
}

void TCustomProfile::Delete()
{
    TCustomKey& key = CheckedKey();
    if (Registry().DeleteValue(key.Handle(), Name()) != regSuccess)
        throw ERegistryError(Format(msg::CannotDeleteValue, {Name(), key.KeyName()}));
}

void TCustomProfile::Notification(TComponent* component, TOperation operation)
{
    TRegistryEntry::Notification(component, operation);
    if (operation == TOperation::opRemove && component == key_) key_ = nullptr;
}

void TVariantProfile::ReadValue(TVariant& value)
{
    TCustomKey& key = CheckedKey();
    const TRegKey handle = key.Handle();
    std::uint32_t size = 0;
    if (Registry().QueryValue(handle, Name(), nullptr, nullptr, &size) != regSuccess) {
        value = TVariant();
        return;
    }
    // Some room to spare, as the value may have grown since its size was asked.
    std::vector<std::uint8_t> buffer(std::size_t(size) + 32);
    std::uint32_t length = static_cast<std::uint32_t>(buffer.size());
    if (Registry().QueryValue(handle, Name(), nullptr, buffer.data(), &length) != regSuccess)
        throw ERegistryError(std::string(msg::ErrorReading));
    const std::uint8_t* data = buffer.data();
    length = std::min<std::uint32_t>(length, static_cast<std::uint32_t>(buffer.size()));

    if (length >= 2 && data[0] == 0x00 && data[1] == 0x01) {
        const std::uint8_t* end = std::find(data + 2, data + length, 0);
        value = end == data + length ? TVariant() : TVariant(std::string(data + 2, end));
    } else if (length >= 16) {
        value = TVariant::FromRecord(std::span<const std::uint8_t, 16>(data, 16));
    } else {
        value = TVariant();
    }
}

void TVariantProfile::WriteValue(const TVariant& value)
{
    TCustomKey& key = CheckedKey();
    std::vector<std::uint8_t> buffer;
    if (value.VarType() == varString) {
        const std::string text = *value.AsString();
        buffer.reserve(text.size() + 3);
        buffer = {0x00, 0x01};
        buffer.insert(buffer.end(), text.begin(), text.end());
        buffer.push_back(0);
    } else if (TVariant::ValueSize(value.VarType()) > 0) {
        const auto record = value.Record();
        buffer.assign(record.begin(), record.end());
    } else {
        throw ERegistryError(std::string(msg::TypeNotSupported));
    }
    if (buffer.size() > MaxValueSize ||
        Registry().SetValue(key.Handle(), Name(), rtBinary, buffer.data(),
                            static_cast<std::uint32_t>(buffer.size())) != regSuccess)
        throw ERegistryError(std::string(msg::ErrorWriting));
}
