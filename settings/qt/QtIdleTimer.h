#pragma once
// Idle timers on the Qt event loop, for the window program.

#include "IdleTimer.h"

TIdleTimerFactory& QtIdleTimers();
