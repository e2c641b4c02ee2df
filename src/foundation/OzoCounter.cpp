#include "foundation/OzoCounter.h"

#include "platform/kernel/KernelClock.h"

TVyCounter SystemCounter() {
  int64_t frequency = 0;
  QueryPerformanceFrequency(&frequency);
  return {[] {
            int64_t now = 0;
            QueryPerformanceCounter(&now);
            return now;
          },
          frequency};
}
