#include "WinRegistry.h"

#include <windows.h>

namespace {

HKEY ToHkey(TRegKey key)
{
    return key == hkCurrentUser ? HKEY_CURRENT_USER : reinterpret_cast<HKEY>(key);
}

TRegKey FromHkey(HKEY key)
{
    return reinterpret_cast<TRegKey>(key);
}

} // namespace

long TWinRegistry::CreateKey(TRegKey base, const std::string& subKey, TRegKey* result)
{
    HKEY key = nullptr;
    LONG r = RegCreateKeyA(ToHkey(base), subKey.c_str(), &key);
    if (r == ERROR_SUCCESS) *result = FromHkey(key);
    return r;
}

long TWinRegistry::OpenKey(TRegKey base, const std::string& subKey, TRegKey* result)
{
    HKEY key = nullptr;
    LONG r = RegOpenKeyA(ToHkey(base), subKey.c_str(), &key);
    if (r == ERROR_SUCCESS) *result = FromHkey(key);
    return r;
}

long TWinRegistry::CloseKey(TRegKey key)
{
    return RegCloseKey(ToHkey(key));
}

long TWinRegistry::DeleteKey(TRegKey base, const std::string& subKey)
{
    return RegDeleteKeyA(ToHkey(base), subKey.c_str());
}

long TWinRegistry::QueryValue(TRegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                              std::uint32_t* size)
{
    DWORD t = 0, n = size ? *size : 0;
    LONG r = RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, &t, data, size ? &n : nullptr);
    if (type) *type = t;
    if (size) *size = n;
    return r;
}

long TWinRegistry::SetValue(TRegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                            std::uint32_t size)
{
    if (size > MaxValueSize) return ERROR_INVALID_PARAMETER;
    return RegSetValueExA(ToHkey(key), name.c_str(), 0, type, data, size);
}

long TWinRegistry::DeleteValue(TRegKey key, const std::string& name)
{
    return RegDeleteValueA(ToHkey(key), name.c_str());
}
