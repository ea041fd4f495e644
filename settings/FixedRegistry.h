#pragma once
// A read-only registry held in memory under hkLocalMachine: the machine-wide
// facts where there is no Windows registry, and fixed facts for tests. Keys
// are found whatever their letter case, as in the registry; every write
// fails with regAccessDenied.

#include <string>
#include <vector>

#include "Registry.h"

class TFixedRegistry : public TRegistryApi {
public:
    // Adds a value, and its key with every key above it. path has no leading backslash.
    void Add(const std::string& path, const std::string& name, std::uint32_t type, std::vector<std::uint8_t> data);
    // Adds a REG_SZ value: the text and its terminating zero.
    void AddText(const std::string& path, const std::string& name, const std::string& text);

    long CreateKey(TRegKey base, const std::string& subKey, TRegKey* result) override;
    long OpenKey(TRegKey base, const std::string& subKey, TRegKey* result) override;
    long CloseKey(TRegKey key) override;
    long DeleteKey(TRegKey base, const std::string& subKey) override;
    long QueryValue(TRegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
    long SetValue(TRegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
    long DeleteValue(TRegKey key, const std::string& name) override;

private:
    struct TValue {
        std::string name;
        std::uint32_t type;
        std::vector<std::uint8_t> data;
    };
    struct TKey {
        std::string path; // in upper case, for comparing
        std::vector<TValue> values;
    };

    TKey* FindKey(const std::string& path);
    // The path of an open key or of the root; false for anything else.
    bool PathOf(TRegKey key, std::string* path) const;

    std::vector<TKey> keys_;
    std::vector<std::string> handles_; // handle i + 1; empty once closed
};
