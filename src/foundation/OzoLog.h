// The optional log file "vys.log" beside the program: while logging is on,
// every reported error and debug line becomes one line of it; a report that
// repeats is written once, then counted.
#pragma once
#include <string>

void LogStart();
void LogStop();
bool LogIsOn();

// Appends text and a line break, opening and closing the file for this line
// alone. A file that cannot be opened loses the line silently.
void LogLine(const char* text);
// Writes the counts of repeated reports that have stopped, or that have
// gone on for a minute; the deck's player calls it on every cycle.
void LogFlushRepeats();
void LogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The log file; set once from the program's folder unless changed here first.
std::string LogPath();
void SetLogPath(const std::string& path);
