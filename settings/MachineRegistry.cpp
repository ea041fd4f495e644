#include "Registry.h"

#ifdef _WIN32
#include "WinMachineRegistry.h"
#else
#include "FixedRegistry.h"
#endif

namespace {

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
    TRegistryApi* installed = TMachineRegistryHook::Installed();
    return installed ? *installed : DefaultMachineRegistry();
}
