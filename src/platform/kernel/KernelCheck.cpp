#include "platform/kernel/KernelCheck.h"

#include <cstdio>
#include <cstdlib>

namespace {
thread_local bool realtimeThread = false;
}

#if defined(VYS_CHECKED)
void KernelCheckFailed(const char* rule, const char* file, int line) {
  std::fprintf(stderr, "broken rule: %s (%s %i)\n", rule, file, line);
  std::abort();
}
#endif

void MarkRealtimeThread() { realtimeThread = true; }
bool IsRealtimeThread() { return realtimeThread; }
