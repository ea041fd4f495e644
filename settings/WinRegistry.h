#pragma once
// The Windows registry itself, through its 8-bit interface. Names are the
// program's UTF-8, handed to the registry in the ANSI code page; a name that
// code page cannot hold fails with regInvalidParameter.

#include <optional>
#include <string>

#include "Registry.h"

// A UTF-8 name in the ANSI code page; nullopt when that code page cannot hold
// it, it is not UTF-8, or it holds a NUL.
std::optional<std::string> ToAnsi(const std::string& name);

struct HKEY__; // windows.h's HKEY, kept out of this header

// RegQueryValueExA with a UTF-8 value name, as both Windows backends read values.
long QueryValueAnsi(HKEY__* key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size);

class TWinRegistry : public TRegistryApi {
public:
    long CreateKey(TRegKey base, const std::string& subKey, TRegKey* result) override;
    long OpenKey(TRegKey base, const std::string& subKey, TRegKey* result) override;
    long CloseKey(TRegKey key) override;
    long DeleteKey(TRegKey base, const std::string& subKey) override;
    long QueryValue(TRegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
    long SetValue(TRegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
    long DeleteValue(TRegKey key, const std::string& name) override;
};
