#include "Registry.h"

#ifdef _WIN32
#include "WinRegistry.h"
#endif

namespace {

#ifndef _WIN32
// Where no registry is installed on a system without one of its own.
class TNoRegistry : public TRegistryApi {
public:
    long CreateKey(TRegKey, const std::string&, TRegKey*) override { return regAccessDenied; }
    long OpenKey(TRegKey, const std::string&, TRegKey*) override { return regAccessDenied; }
    long CloseKey(TRegKey) override { return regInvalidHandle; }
    long DeleteKey(TRegKey, const std::string&) override { return regAccessDenied; }
    long QueryValue(TRegKey, const std::string&, std::uint32_t*, std::uint8_t*, std::uint32_t*) override
    {
        return regAccessDenied;
    }
    long SetValue(TRegKey, const std::string&, std::uint32_t, const std::uint8_t*, std::uint32_t) override
    {
        return regAccessDenied;
    }
    long DeleteValue(TRegKey, const std::string&) override { return regAccessDenied; }
};
#endif

TRegistryApi& DefaultRegistry()
{
#ifdef _WIN32
    static TWinRegistry registry;
#else
    static TNoRegistry registry;
#endif
    return registry;
}

} // namespace

TRegistryApi& Registry()
{
    TRegistryApi* installed = TRegistryHook::Installed();
    return installed ? *installed : DefaultRegistry();
}
