#pragma once
// SIGINT and SIGTERM (Ctrl+C in a terminal, `kill`, the end of `make run`)
// close the program's windows instead of ending the process on the spot, so
// the main window stores its placement and drawing size as on any other
// close. A signal that comes before the event loop runs is served when it
// starts. A second signal ends the process the default way. Nothing on
// Windows.

#include <QObject>

class TCloseOnQuitSignals : public QObject {
public:
    // Installs the handlers; they stay until this object goes.
    TCloseOnQuitSignals();
    ~TCloseOnQuitSignals() override;
    TCloseOnQuitSignals(const TCloseOnQuitSignals&) = delete;
    TCloseOnQuitSignals& operator=(const TCloseOnQuitSignals&) = delete;
};
