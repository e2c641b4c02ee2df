// The optional log file "vys.log" beside the program: while logging is on,
// every reported error and debug line becomes one line of it.
#pragma once
#include <string>

void LogStart();
void LogStop();
bool LogIsOn();

// Appends text and a line break, opening and closing the file for this line
// alone. A file that cannot be opened loses the line silently.
void LogLine(const char* text);
void LogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The log file; set once from the program's folder unless changed here first.
std::string LogPath();
void SetLogPath(const std::string& path);
