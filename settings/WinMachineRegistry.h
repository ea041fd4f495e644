#pragma once
// The Windows machine hive, HKEY_LOCAL_MACHINE, opened for reading only.

#include "Registry.h"

class TWinMachineRegistry : public TRegistryApi {
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
