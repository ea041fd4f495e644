#include "WindowSetup.h"

#include "Application.h"
#include "Pictures.h"
#include "QtIdleTimer.h"
#ifndef _WIN32
#include "HiveRegistry.h"
#include "SystemFacts.h"
#endif

namespace {

std::unique_ptr<TRegistryApi> PlatformRegistry()
{
#ifdef _WIN32
    return nullptr;
#else
    return std::make_unique<THiveRegistry>(THiveRegistry::DefaultPath());
#endif
}

std::unique_ptr<TRegistryApi> PlatformMachineRegistry()
{
#ifdef _WIN32
    return nullptr;
#else
    auto facts = std::make_unique<TFixedRegistry>();
    AddSystemFacts(*facts);
    return facts;
#endif
}

} // namespace

TWindowSetup::TWindowSetup()
    : hive_(PlatformRegistry()),
      registry_(hive_.get()),
      machine_(PlatformMachineRegistry()),
      machineRegistry_(machine_.get()),
      timers_(&QtIdleTimers()),
      presenter_(PlatformMessageBox),
      exceptions_(ShowException)
{
    // Drawn once; every window of the program shows it.
    QApplication::setWindowIcon(ApplicationIcon());
}

TWindowSetup::~TWindowSetup() = default;

TWindowSetup SetUpWindowProgram()
{
    return TWindowSetup();
}
