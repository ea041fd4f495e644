#pragma once
// Failures that arise where no caller can take them, in a timer's expiry or
// a window's close event, go to one handler; the program sets it to show the
// message to the user. Until then they are written to the debug output.

#include <exception>
#include <functional>

void HandleException(const std::exception& e);
void SetExceptionHandler(std::function<void(const std::exception&)> handler);
