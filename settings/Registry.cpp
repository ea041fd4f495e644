#include "Registry.h"

#ifdef _WIN32
#include "WinRegistry.h"
#else
#include "HiveRegistry.h"
#endif

namespace {

TRegistryApi* replacement = nullptr;

TRegistryApi& PlatformRegistry()
{
#ifdef _WIN32
    static TWinRegistry registry;
#else
    static THiveRegistry registry(THiveRegistry::DefaultPath());
#endif
    return registry;
}

} // namespace

TRegistryApi& Registry()
{
    return replacement ? *replacement : PlatformRegistry();
}

TRegistryApi* SetRegistry(TRegistryApi* registry)
{
    TRegistryApi* previous = replacement ? replacement : &PlatformRegistry();
    replacement = registry;
    return previous;
}
