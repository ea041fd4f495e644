#include "Registry.h"

#ifdef _WIN32
#include "WinMachineRegistry.h"
#else
#include "SystemFacts.h"
#endif

namespace {

TRegistryApi* replacement = nullptr;

TRegistryApi& PlatformMachineRegistry()
{
#ifdef _WIN32
    static TWinMachineRegistry registry;
#else
    // Built once: the facts do not change while the program runs.
    static TFixedRegistry registry = [] {
        TFixedRegistry facts;
        AddSystemFacts(facts);
        return facts;
    }();
#endif
    return registry;
}

} // namespace

TRegistryApi& MachineRegistry()
{
    return replacement ? *replacement : PlatformMachineRegistry();
}

TRegistryApi* SetMachineRegistry(TRegistryApi* registry)
{
    TRegistryApi* previous = replacement ? replacement : &PlatformMachineRegistry();
    replacement = registry;
    return previous;
}
