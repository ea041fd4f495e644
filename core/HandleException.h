#pragma once
// Failures that arise where no caller can take them, in a timer's expiry or
// a window's close event, go to one handler; the window program sets it to
// show the message to the user. Until then they are written to stderr.

#include <exception>
#include <functional>

#include "ProcessHook.h"

using TExceptionHandler = std::function<void(const std::exception&)>;

void HandleException(const std::exception& e);

// The handler installed; none (empty): stderr.
using TExceptionHandlerHook = TProcessHook<TExceptionHandler, struct TExceptionHandlerTag>;
using TExceptionHandlerScope = TExceptionHandlerHook::TScope;
