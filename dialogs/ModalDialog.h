#pragma once
// Every modal dialog of the program is run here, so tests can look at a
// dialog and close it instead of waiting for a user.

#include <functional>

#include "ScopedHook.h"

class QDialog;

// Shows the dialog modally and returns its result (QDialog::Accepted, ...).
using TModalRunner = std::function<int(QDialog& dialog)>;

int RunModal(QDialog& dialog);
// Replaces the runner; an empty one restores QDialog::exec. Returns the one replaced.
TModalRunner SetModalRunner(TModalRunner runner);

using TModalRunnerScope = TScopedHook<TModalRunner, SetModalRunner>;
