// Process-wide services of the kernel: folders, the debugger channel and the heap.
#pragma once
#include <string>

// The process's current directory, without a trailing separator; empty on failure.
std::string GetCurrentDirectory();
bool SetCurrentDirectory(const char* path);

// The folder of the running executable, with its trailing '/'.
std::string GetProgramDirectory();

// Passes a text to an attached debugger (its stderr); without one it goes nowhere.
void OutputDebugString(const char* text);

// Makes every thread allocate from the one heap, as the first call before any
// thread starts. Otherwise each thread that allocates gets a heap of its
// own, whose pages stay resident once touched: about half a MiB for the
// deck's threads. The audio thread never allocates, and the others
// allocate little while a deck plays, so they seldom wait for each other.
void ShareOneHeap();
