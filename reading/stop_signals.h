#pragma once
// The signals that ask the program to stop: SIGTERM (shutdown, kill), SIGHUP (the terminal or
// the session closed) and SIGINT (Ctrl+C). The window and the tools route them to a handler of
// their own. A file-size limit (ulimit -f) fails the write instead of killing the program
// (SIGXFSZ ignored), so the writer says "the disk is full" and keeps the rows.
using StopSignalHandler = void (*)(int signal);

// restartCalls: a system call the signal interrupts goes on (the window's event loop); without
// it a wait ends at once (the tools' reading loops).
void routeStopSignals(StopSignalHandler handler, bool restartCalls);
// The stop signals' default actions again.
void restoreStopSignals();
