// A polite end requested from outside (SIGTERM, SIGINT, SIGHUP: a session
// logging out, `kill`, Ctrl+C in the terminal) turned into a readable file
// descriptor, so that an event loop can close its window the ordinary way
// instead of dying in the middle of a sound-card write.
#pragma once

// Installs the handlers once and returns the descriptor that becomes readable
// when one of the signals arrives; -1 when the pipe cannot be made.
int TerminationSignalFd();

// Empties the descriptor after the request has been seen.
void DrainTerminationSignal();
