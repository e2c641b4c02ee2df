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

KernelRealtimeScope::KernelRealtimeScope() : outer_(realtimeThread) { realtimeThread = true; }
KernelRealtimeScope::~KernelRealtimeScope() { realtimeThread = outer_; }
bool IsRealtimeThread() { return realtimeThread; }
