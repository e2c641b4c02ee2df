// Monotonic time services the engine expects from the kernel.
#pragma once
#include <cstdint>

// High-resolution monotonic counter and its ticks per second; both always succeed.
bool QueryPerformanceCounter(int64_t* count);
bool QueryPerformanceFrequency(int64_t* frequency);

// Milliseconds since an arbitrary start; wraps after 49.7 days like any 32-bit tick.
uint32_t GetTickCount();
