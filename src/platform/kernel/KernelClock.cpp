#include "platform/kernel/KernelClock.h"

#include <ctime>

namespace {
constexpr int64_t kNanosPerSecond = 1000000000;

int64_t MonotonicNanos() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t(ts.tv_sec) * kNanosPerSecond + ts.tv_nsec;
}
}  // namespace

bool QueryPerformanceCounter(int64_t* count) {
  *count = MonotonicNanos();
  return true;
}

bool QueryPerformanceFrequency(int64_t* frequency) {
  *frequency = kNanosPerSecond;
  return true;
}

uint32_t GetTickCount() { return uint32_t(MonotonicNanos() / 1000000); }
