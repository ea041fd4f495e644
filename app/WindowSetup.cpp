#include "WindowSetup.h"

#include <cstdio>

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

void ShowException(const std::exception& e)
{
    // Called from event handlers: nothing may leave it.
    try {
        PresentMessageBox({e.what(), ApplicationTitle(), mb::OK | mb::ICONHAND, TMessageBoxOwner::moFocusedWindow});
    } catch (const std::exception& again) {
        std::fprintf(stderr, "%s\n%s\n", e.what(), again.what());
    }
}
