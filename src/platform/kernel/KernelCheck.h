// Rules the code checks rather than only states. In checked builds (debug
// and sanitizer builds define VYS_CHECKED) a broken rule reports where and
// aborts; otherwise the check compiles to nothing.
#pragma once

#if defined(VYS_CHECKED)
[[noreturn]] void KernelCheckFailed(const char* rule, const char* file, int line);
#define KERNEL_CHECK(condition, rule) ((condition) ? (void)0 : KernelCheckFailed(rule, __FILE__, __LINE__))
#else
#define KERNEL_CHECK(condition, rule) ((void)0)
#endif

// The window's thread is the program's main thread, where Qt runs the window.
// Process-wide state the window feeds or owns (the key snapshots, the X
// error trap, the settings store) is touched from that thread alone.
#if defined(VYS_CHECKED)
bool IsWindowThread();
#else
inline bool IsWindowThread() { return true; }
#endif
#define KERNEL_CHECK_WINDOW_THREAD() KERNEL_CHECK(IsWindowThread(), "window thread only")

// The audio callback marks its thread while it mixes: what runs then must
// never block, allocate or take an engine lock. Only the checks read the
// mark, so a release build does no marking on the audio thread.
#if defined(VYS_CHECKED)
class KernelRealtimeScope {
 public:
  KernelRealtimeScope();
  ~KernelRealtimeScope();
  KernelRealtimeScope(const KernelRealtimeScope&) = delete;
  KernelRealtimeScope& operator=(const KernelRealtimeScope&) = delete;

 private:
  bool outer_;
};
bool IsRealtimeThread();
#else
class KernelRealtimeScope {
 public:
  KernelRealtimeScope() {}
};
inline bool IsRealtimeThread() { return false; }
#endif
