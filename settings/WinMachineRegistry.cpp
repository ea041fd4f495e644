#include "WinMachineRegistry.h"

#include <windows.h>

#include "WinRegistry.h"

namespace {

// The predefined handles are sign-extended on 64-bit Windows, so the root is
// mapped by value rather than cast.
HKEY ToHkey(TRegKey key)
{
    return key == hkLocalMachine ? HKEY_LOCAL_MACHINE : reinterpret_cast<HKEY>(key);
}

} // namespace

long TWinMachineRegistry::CreateKey(TRegKey, const std::string&, TRegKey*)
{
    return ERROR_ACCESS_DENIED;
}

long TWinMachineRegistry::OpenKey(TRegKey base, const std::string& subKey, TRegKey* result)
{
    // Reading is all the program does here; an ordinary user may not have more.
    const auto name = ToAnsi(subKey);
    if (!name) return ERROR_INVALID_PARAMETER;
    HKEY key = nullptr;
    LONG r = RegOpenKeyExA(ToHkey(base), name->c_str(), 0, KEY_READ, &key);
    if (r == ERROR_SUCCESS) *result = reinterpret_cast<TRegKey>(key);
    return r;
}

long TWinMachineRegistry::CloseKey(TRegKey key)
{
    return key == hkLocalMachine ? ERROR_SUCCESS : RegCloseKey(ToHkey(key));
}

long TWinMachineRegistry::DeleteKey(TRegKey, const std::string&)
{
    return ERROR_ACCESS_DENIED;
}

long TWinMachineRegistry::QueryValue(TRegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                                     std::uint32_t* size)
{
    return QueryValueAnsi(ToHkey(key), name, type, data, size);
}

long TWinMachineRegistry::SetValue(TRegKey, const std::string&, std::uint32_t, const std::uint8_t*, std::uint32_t)
{
    return ERROR_ACCESS_DENIED;
}

long TWinMachineRegistry::DeleteValue(TRegKey, const std::string&)
{
    return ERROR_ACCESS_DENIED;
}
