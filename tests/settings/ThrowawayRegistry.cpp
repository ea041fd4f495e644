#include "ThrowawayRegistry.h"

#include <atomic>
#include <random>

TThrowawayRoot::TThrowawayRoot(TRegistryApi& inner) : inner_(inner)
{
    // Unique among concurrent test programs and runs that were cut short.
    static std::atomic<int> made{0};
    std::random_device entropy;
    rootPath_ = std::string(Parent) + "\\" + std::to_string(entropy()) + "-" + std::to_string(++made);
    if (inner_.CreateKey(hkCurrentUser, rootPath_, &root_) != regSuccess)
        throw std::runtime_error("cannot create the test key " + rootPath_);
    openPaths_[root_] = "";
}

TThrowawayRoot::~TThrowawayRoot()
{
    // Deepest keys first: a key with sub-keys cannot be deleted.
    std::vector<std::string> paths(created_.begin(), created_.end());
    std::stable_sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
        return std::count(a.begin(), a.end(), '\\') > std::count(b.begin(), b.end(), '\\');
    });
    for (const std::string& path : paths) inner_.DeleteKey(root_, path);
    inner_.CloseKey(root_);
    if (inner_.DeleteKey(hkCurrentUser, rootPath_) != regSuccess)
        ADD_FAILURE() << "The test key " << rootPath_ << " was left behind";
    // Fails, as it should, while another run still has its key there.
    inner_.DeleteKey(hkCurrentUser, Parent);
}

std::string TThrowawayRoot::PathBelow(TRegKey base, const std::string& subKey) const
{
    const auto known = openPaths_.find(Map(base));
    if (known == openPaths_.end()) return {};
    if (known->second.empty()) return subKey;
    return subKey.empty() ? known->second : known->second + "\\" + subKey;
}

void TThrowawayRoot::NoteCreated(TRegKey base, const std::string& subKey, TRegKey result)
{
    const std::string path = PathBelow(base, subKey);
    for (std::size_t end = path.find('\\'); end != std::string::npos; end = path.find('\\', end + 1))
        created_.insert(path.substr(0, end));
    if (!path.empty()) created_.insert(path);
    NoteOpened(base, subKey, result);
}

void TThrowawayRoot::NoteOpened(TRegKey base, const std::string& subKey, TRegKey result)
{
    if (openPaths_.count(Map(base))) openPaths_[result] = PathBelow(base, subKey);
}

long TThrowawayRoot::CreateKey(TRegKey base, const std::string& subKey, TRegKey* result)
{
    const long r = inner_.CreateKey(Map(base), subKey, result);
    if (r == regSuccess) NoteCreated(base, subKey, *result);
    return r;
}

long TThrowawayRoot::OpenKey(TRegKey base, const std::string& subKey, TRegKey* result)
{
    const long r = inner_.OpenKey(Map(base), subKey, result);
    if (r == regSuccess) NoteOpened(base, subKey, *result);
    return r;
}

long TThrowawayRoot::CloseKey(TRegKey key)
{
    // The root stays open until the end, whatever a test closes.
    if (key == hkCurrentUser) return regSuccess;
    openPaths_.erase(key);
    return inner_.CloseKey(key);
}

long TThrowawayRoot::DeleteKey(TRegKey base, const std::string& subKey)
{
    return inner_.DeleteKey(Map(base), subKey);
}

long TThrowawayRoot::QueryValue(TRegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                                std::uint32_t* size)
{
    return inner_.QueryValue(Map(key), name, type, data, size);
}

long TThrowawayRoot::SetValue(TRegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                              std::uint32_t size)
{
    return inner_.SetValue(Map(key), name, type, data, size);
}

long TThrowawayRoot::DeleteValue(TRegKey key, const std::string& name)
{
    return inner_.DeleteValue(Map(key), name);
}
