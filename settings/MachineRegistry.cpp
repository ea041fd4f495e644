#include "Registry.h"

#include <utility>

#ifdef _WIN32
#include "WinMachineRegistry.h"
#else
#include "FixedRegistry.h"
#endif

namespace {

TRegistryApi* installed = nullptr;

TRegistryApi& DefaultMachineRegistry()
{
#ifdef _WIN32
    static TWinMachineRegistry registry;
#else
    // No keys: nothing opens until the program installs the system's facts.
    static TFixedRegistry registry;
#endif
    return registry;
}

} // namespace

TRegistryApi& MachineRegistry()
{
    return installed ? *installed : DefaultMachineRegistry();
}

TRegistryApi* SetMachineRegistry(TRegistryApi* registry)
{
    return std::exchange(installed, registry);
}
