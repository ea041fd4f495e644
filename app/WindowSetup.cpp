#include "WindowSetup.h"

#include "Application.h"
#include "QtIdleTimer.h"
#ifndef _WIN32
#include "HiveRegistry.h"
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

} // namespace

TWindowSetup::TWindowSetup()
    : hive_(PlatformRegistry()),
      registry_(hive_.get()),
      timers_(&QtIdleTimers()),
      presenter_(PlatformMessageBox),
      exceptions_(ShowException)
{
}

TWindowSetup::~TWindowSetup() = default;

TWindowSetup SetUpWindowProgram()
{
    return TWindowSetup();
}
