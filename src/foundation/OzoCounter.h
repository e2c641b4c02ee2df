// The high-resolution counter the engine's timing reads (search, bends, track
// buttons); tests pass their own to drive time exactly.
#pragma once
#include <cstdint>
#include <functional>

struct TVyCounter {
  std::function<int64_t()> Now;
  int64_t TicksPerSecond;

  // Ticks of one millisecond, at least 1.
  int64_t TicksPerMs() const { return TicksPerSecond >= 1000 ? TicksPerSecond / 1000 : 1; }
};

// The platform's performance counter.
TVyCounter SystemCounter();
