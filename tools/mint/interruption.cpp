#include "tools/mint/interruption.h"

#include <csignal>
#include <initializer_list>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

volatile std::sig_atomic_t caughtSignal = 0;
volatile std::sig_atomic_t deferring = 0;

}  // namespace

int InterruptionSignal()
{
    return caughtSignal;
}

InterruptionsDeferred::InterruptionsDeferred()
{
    deferring = 1;
}

InterruptionsDeferred::~InterruptionsDeferred()
{
    deferring = 0;
}

#ifdef _WIN32

namespace {

const int SignalHangUp = 1;  // POSIX's SIGHUP, which Windows lacks
HANDLE cleanedUp = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event)
{
    if (!deferring)
        return FALSE;  // the default handler ends the process
    const bool closing = event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
    caughtSignal = closing ? SignalHangUp : SIGINT;
    // Windows gives a closing console's handlers about five seconds.
    if (closing && cleanedUp)
        WaitForSingleObject(cleanedUp, 4500);
    return TRUE;
}

}  // namespace

void CatchInterruptions()
{
    cleanedUp = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void InterruptedRunCleanedUp()
{
    if (cleanedUp)
        SetEvent(cleanedUp);
}

#else

namespace {

void OnSignal(int signal)
{
    if (deferring) {
        caughtSignal = signal;
        return;
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void CatchInterruptions()
{
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // Restarted calls: the run checks for the signal between files, not inside
    // a half-done write.
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

void InterruptedRunCleanedUp() {}

#endif
