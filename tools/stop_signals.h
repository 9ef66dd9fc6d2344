#pragma once
// How meter-read and meter-sim end: Ctrl+C, SIGTERM and a hang-up (the terminal closed) ask
// the program to stop at its next step, so what it holds is still saved; a reader of standard
// output that went away, or a file-size limit, makes writes fail instead of ending the program
// (SIGPIPE and SIGXFSZ ignored).
// No SA_RESTART: a signal ends a wait at once.
void catchStopSignals();
bool stopRequested();
