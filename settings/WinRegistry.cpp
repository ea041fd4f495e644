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

// Names are UTF-8 in the program and in the ANSI code page at the 8-bit
// calls. A name that code page cannot hold (or with a NUL, which would cut it
// short) is refused rather than stored under a mangled name.
std::optional<std::string> ToAnsi(const std::string& name)
{
    if (name.empty()) return name;
    if (name.find('\0') != std::string::npos || name.size() > 0x7FFFFFF) return std::nullopt;
    const int length = static_cast<int>(name.size());
    const int wideLength = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), length, nullptr, 0);
    if (wideLength <= 0) return std::nullopt;
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), length, wide.data(), wideLength);

    const UINT codePage = GetACP();
    if (codePage == CP_UTF8) return name;
    BOOL lost = FALSE;
    const int ansiLength =
        WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, nullptr, 0, nullptr, &lost);
    if (ansiLength <= 0 || lost) return std::nullopt;
    std::string ansi(static_cast<size_t>(ansiLength), '\0');
    WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, ansi.data(), ansiLength, nullptr,
                        &lost);
    if (lost) return std::nullopt;
    return ansi;
}

long TWinRegistry::CreateKey(TRegKey base, const std::string& subKey, TRegKey* result)
{
    const auto name = ToAnsi(subKey);
    if (!name) return ERROR_INVALID_PARAMETER;
    HKEY key = nullptr;
    LONG r = RegCreateKeyA(ToHkey(base), name->c_str(), &key);
    if (r == ERROR_SUCCESS) *result = FromHkey(key);
    return r;
}

long TWinRegistry::OpenKey(TRegKey base, const std::string& subKey, TRegKey* result)
{
    const auto name = ToAnsi(subKey);
    if (!name) return ERROR_INVALID_PARAMETER;
    HKEY key = nullptr;
    LONG r = RegOpenKeyA(ToHkey(base), name->c_str(), &key);
    if (r == ERROR_SUCCESS) *result = FromHkey(key);
    return r;
}

long TWinRegistry::CloseKey(TRegKey key)
{
    return RegCloseKey(ToHkey(key));
}

long TWinRegistry::DeleteKey(TRegKey base, const std::string& subKey)
{
    const auto name = ToAnsi(subKey);
    if (!name) return ERROR_INVALID_PARAMETER;
    return RegDeleteKeyA(ToHkey(base), name->c_str());
}

long TWinRegistry::QueryValue(TRegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                              std::uint32_t* size)
{
    return QueryValueAnsi(ToHkey(key), name, type, data, size);
}

long TWinRegistry::SetValue(TRegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                            std::uint32_t size)
{
    const auto ansi = ToAnsi(name);
    if (!ansi || size > MaxValueSize) return ERROR_INVALID_PARAMETER;
    return RegSetValueExA(ToHkey(key), ansi->c_str(), 0, type, data, size);
}

long TWinRegistry::DeleteValue(TRegKey key, const std::string& name)
{
    const auto ansi = ToAnsi(name);
    if (!ansi) return ERROR_INVALID_PARAMETER;
    return RegDeleteValueA(ToHkey(key), ansi->c_str());
}

long QueryValueAnsi(HKEY key, const std::string& name, std::uint32_t* type, std::uint8_t* data, std::uint32_t* size)
{
    const auto ansi = ToAnsi(name);
    if (!ansi) return ERROR_INVALID_PARAMETER;
    DWORD t = 0, n = size ? *size : 0;
    LONG r = RegQueryValueExA(key, ansi->c_str(), nullptr, &t, data, size ? &n : nullptr);
    if (type) *type = t;
    if (size) *size = n;
    return r;
}
