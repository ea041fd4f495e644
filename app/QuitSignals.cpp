#include "QuitSignals.h"

#include <QApplication>

#ifndef _WIN32
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The handler may only do what is safe in a signal handler: it writes one
// byte to a pipe, and the event loop reads it and closes the windows.
int signalPipe[2] = {-1, -1};
struct sigaction previousInt, previousTerm;

extern "C" void OnQuitSignal(int signal)
{
    // The next signal of this kind ends the process at once.
    struct sigaction defaults = {};
    defaults.sa_handler = SIG_DFL;
    sigemptyset(&defaults.sa_mask);
    sigaction(signal, &defaults, nullptr);
    const char byte = 1;
    [[maybe_unused]] ssize_t written = write(signalPipe[1], &byte, 1);
}

} // namespace

TCloseOnQuitSignals::TCloseOnQuitSignals()
{
    if (pipe(signalPipe) != 0) return; // without a pipe, the signals keep their default
    for (int fd : signalPipe) fcntl(fd, F_SETFD, FD_CLOEXEC);
    fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);

    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char byte;
        [[maybe_unused]] ssize_t got = ::read(signalPipe[0], &byte, 1);
        if (!requested_) replaced_ = TExceptionHandlerHook::Set({});
        requested_ = true;
        QApplication::closeAllWindows();
    });

    struct sigaction action = {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previousInt);
    sigaction(SIGTERM, &action, &previousTerm);
}

void TCloseOnQuitSignals::CloseIfRequested() const
{
    // Queued: the event loop is not running yet.
    if (requested_) QMetaObject::invokeMethod(qApp, [] { QApplication::closeAllWindows(); }, Qt::QueuedConnection);
}

TCloseOnQuitSignals::~TCloseOnQuitSignals()
{
    if (requested_) TExceptionHandlerHook::Set(std::move(replaced_));
    if (signalPipe[0] < 0) return;
    sigaction(SIGINT, &previousInt, nullptr);
    sigaction(SIGTERM, &previousTerm, nullptr);
    for (int& fd : signalPipe) {
        close(fd);
        fd = -1;
    }
}

#else

TCloseOnQuitSignals::TCloseOnQuitSignals() {}
void TCloseOnQuitSignals::CloseIfRequested() const {}
TCloseOnQuitSignals::~TCloseOnQuitSignals() = default;

#endif
