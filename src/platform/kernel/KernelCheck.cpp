#include "platform/kernel/KernelCheck.h"

#if defined(VYS_CHECKED)
#include <cstdio>
#include <cstdlib>

#include <sys/syscall.h>
#include <unistd.h>

namespace {
thread_local bool realtimeThread = false;
}

void KernelCheckFailed(const char* rule, const char* file, int line) {
  std::fprintf(stderr, "broken rule: %s (%s %i)\n", rule, file, line);
  std::abort();
}

KernelRealtimeScope::KernelRealtimeScope() : outer_(realtimeThread) { realtimeThread = true; }
KernelRealtimeScope::~KernelRealtimeScope() { realtimeThread = outer_; }
bool IsRealtimeThread() { return realtimeThread; }
bool IsWindowThread() { return syscall(SYS_gettid) == getpid(); }
#endif
