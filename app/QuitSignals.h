#pragma once
// SIGINT and SIGTERM (Ctrl+C in a terminal, `kill`, the end of `make run`)
// close the program's windows instead of ending the process on the spot, so
// the main window stores its placement and drawing size as on any other
// close. A signal that comes before the event loop runs is served when it
// starts. From the first signal on, failures go to standard error rather than
// into error boxes that would hold the shut-down up with no one to answer
// them. A second signal ends the process the default way. Nothing on Windows.

#include <QObject>

#include "HandleException.h"

class TCloseOnQuitSignals : public QObject {
public:
    // Installs the handlers; they stay until this object goes.
    TCloseOnQuitSignals();
    // A signal served while the main window was still being made (in an
    // error box of its start-up, say) could close only what was shown then:
    // called once the main window shows, this closes it as the signal meant.
    void CloseIfRequested() const;
    ~TCloseOnQuitSignals() override;
    TCloseOnQuitSignals(const TCloseOnQuitSignals&) = delete;
    TCloseOnQuitSignals& operator=(const TCloseOnQuitSignals&) = delete;

private:
    bool requested_ = false;
    TExceptionHandler replaced_; // the handler the first signal set aside
};
