// Process-wide services of the kernel: folders and the debugger channel.
#pragma once
#include <string>

// The process's current directory, without a trailing separator; empty on failure.
std::string GetCurrentDirectory();
bool SetCurrentDirectory(const char* path);

// The folder of the running executable, with its trailing '/'.
std::string GetProgramDirectory();

// Passes a text to an attached debugger (its stderr); without one it goes nowhere.
void OutputDebugString(const char* text);
