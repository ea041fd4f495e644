#pragma once
// The process-wide hooks of the window program, installed in one call right
// after the QApplication is made and taken back when the result goes:
//
//     TApplication app(argc, argv);
//     QApplication::setApplicationName("Pelorix");
//     auto setup = SetUpWindowProgram();
//
// Installs what SetUpBatchProgram does, and: the hive file as the registry
// and the running system's facts as the machine registry (not on Windows,
// which has both of its own), idle timers on the Qt event loop, the
// platform's message box as presenter, and the exception handler that shows
// a failure's message in an error box (ShowException, Application.h). It also
// gives the application its icon, which every window inherits.

#include <memory>

#include "HandleException.h"
#include "IdleTimer.h"
#include "MessageBox.h"
#include "ProgramSetup.h"
#include "Registry.h"

class TWindowSetup {
public:
    TWindowSetup();
    ~TWindowSetup();
    TWindowSetup(const TWindowSetup&) = delete;
    TWindowSetup& operator=(const TWindowSetup&) = delete;

private:
    TBatchSetup batch_;
    std::unique_ptr<TRegistryApi> hive_; // none on Windows
    TRegistryScope registry_;
    std::unique_ptr<TRegistryApi> machine_; // none on Windows
    TMachineRegistryScope machineRegistry_;
    TIdleTimersScope timers_;
    TMessageBoxPresenterScope presenter_;
    TExceptionHandlerScope exceptions_;
};

[[nodiscard]] TWindowSetup SetUpWindowProgram();
