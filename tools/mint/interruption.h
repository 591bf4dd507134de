// Ctrl+C, SIGINT, SIGTERM, SIGHUP, and on Windows Ctrl+Break and closing the
// console window: instead of dying with working copies (each a password in
// its name) half written, the run stops at its next safe point, takes back
// what it did and exits with 128 + the signal's number.
#pragma once

// Called once at the start of the program.
void CatchInterruptions();

// While one exists, an interruption only asks the run to stop (see
// InterruptionSignal); otherwise it ends the program at once, as usual, for
// there is nothing to take back (and a read from a terminal still stops).
class InterruptionsDeferred {
public:
    InterruptionsDeferred();
    ~InterruptionsDeferred();
    InterruptionsDeferred(const InterruptionsDeferred&) = delete;
    InterruptionsDeferred& operator=(const InterruptionsDeferred&) = delete;
};

// The signal that asked the run to stop (Windows: SIGINT for Ctrl+C and
// Ctrl+Break, SIGHUP for closing the console, logging off, shutting down);
// 0 while none did.
int InterruptionSignal();

// Called when the run has cleaned up: Windows ends the process as soon as a
// console-close handler returns, so the handler waits for this.
void InterruptedRunCleanedUp();
