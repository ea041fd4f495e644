#include "FixedRegistry.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

std::string Upper(std::string text)
{
    for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Join(const std::string& path, const std::string& subKey)
{
    if (path.empty()) return subKey;
    if (subKey.empty()) return path;
    return path + '\\' + subKey;
}

bool SameName(const std::string& a, const std::string& b)
{
    return Upper(a) == Upper(b);
}

} // namespace

void TFixedRegistry::Add(const std::string& path, const std::string& name, std::uint32_t type,
                         std::vector<std::uint8_t> data)
{
    // Every key above the value's key exists too.
    const std::string upper = Upper(path);
    for (std::size_t end = 0; end != std::string::npos;) {
        end = upper.find('\\', end + 1);
        const std::string prefix = upper.substr(0, end);
        if (!FindKey(prefix)) keys_.push_back({prefix, {}});
    }
    TKey& key = *FindKey(upper);
    auto value = std::find_if(key.values.begin(), key.values.end(), [&](const TValue& v) { return SameName(v.name, name); });
    if (value != key.values.end())
        *value = {name, type, std::move(data)};
    else
        key.values.push_back({name, type, std::move(data)});
}

void TFixedRegistry::AddText(const std::string& path, const std::string& name, const std::string& text)
{
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    Add(path, name, rtString, std::move(data));
}

TFixedRegistry::TKey* TFixedRegistry::FindKey(const std::string& path)
{
    const std::string upper = Upper(path);
    auto key = std::find_if(keys_.begin(), keys_.end(), [&](const TKey& k) { return k.path == upper; });
    return key != keys_.end() ? &*key : nullptr;
}

bool TFixedRegistry::PathOf(TRegKey key, std::string* path) const
{
    if (key == hkLocalMachine) {
        path->clear();
        return true;
    }
    if (key == 0 || key > handles_.size() || handles_[key - 1].empty()) return false;
    *path = handles_[key - 1];
    return true;
}

long TFixedRegistry::CreateKey(TRegKey, const std::string&, TRegKey*)
{
    return regAccessDenied;
}

long TFixedRegistry::OpenKey(TRegKey base, const std::string& subKey, TRegKey* result)
{
    std::string path;
    if (!PathOf(base, &path)) return regInvalidHandle;
    path = Upper(Join(path, subKey));
    if (path.empty() || !FindKey(path)) return regFileNotFound;
    handles_.push_back(path);
    *result = handles_.size();
    return regSuccess;
}

long TFixedRegistry::CloseKey(TRegKey key)
{
    if (key == hkLocalMachine) return regSuccess;
    std::string path;
    if (!PathOf(key, &path)) return regInvalidHandle;
    handles_[key - 1].clear();
    return regSuccess;
}

long TFixedRegistry::DeleteKey(TRegKey, const std::string&)
{
    return regAccessDenied;
}

long TFixedRegistry::QueryValue(TRegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                                std::uint32_t* size)
{
    std::string path;
    if (!PathOf(key, &path)) return regInvalidHandle;
    TKey* k = FindKey(path);
    if (!k) return regFileNotFound;
    auto value = std::find_if(k->values.begin(), k->values.end(), [&](const TValue& v) { return SameName(v.name, name); });
    if (value == k->values.end()) return regFileNotFound;
    if (type) *type = value->type;
    const auto needed = std::uint32_t(value->data.size());
    if (!size) return data ? regInvalidParameter : regSuccess;
    if (data) {
        if (*size < needed) {
            *size = needed;
            return regMoreData;
        }
        if (needed) std::memcpy(data, value->data.data(), needed);
    }
    *size = needed;
    return regSuccess;
}

long TFixedRegistry::SetValue(TRegKey, const std::string&, std::uint32_t, const std::uint8_t*, std::uint32_t)
{
    return regAccessDenied;
}

long TFixedRegistry::DeleteValue(TRegKey, const std::string&)
{
    return regAccessDenied;
}
