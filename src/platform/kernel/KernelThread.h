// Threads of the kernel on pthreads, with a bounded, lock-safe forced end.
#pragma once
#include <pthread.h>
#include <cstdint>
#include <memory>

using KernelThreadRoutine = int (*)(void* arg);

class KernelThread {
 public:
  KernelThread() = default;
  KernelThread(const KernelThread&) = delete;
  KernelThread& operator=(const KernelThread&) = delete;
  // Detaches a thread that is still running; the owner decides when to stop it.
  ~KernelThread();

  // Starts routine(arg) at once, its priority raised where the system allows.
  // False when no thread could be created.
  bool Start(KernelThreadRoutine routine, void* arg);
  bool Started() const { return started_; }
  uint32_t Id() const;

  // Waits up to timeoutMs for the routine to return; true once it has ended.
  bool WaitFor(uint32_t timeoutMs);

  // Ends the thread by force. It ends only inside Sleep while it holds no
  // KernelMutex (Sleep unwinds it), so it never dies holding an engine lock.
  // Waits up to graceMs for that; a thread still running then is left to end
  // at its next safe sleep. True when the thread has ended.
  bool Terminate(int exitCode, uint32_t graceMs);

  // Makes the thread's current or next Sleep return at once.
  void Wake();

  // The routine's result, or the code given to Terminate.
  int ExitCode() const;

  struct State;

 private:
  void Join();

  std::shared_ptr<State> state_;
  pthread_t handle_{};
  bool started_ = false;
};

// Suspends the caller for ms milliseconds. For threads started by KernelThread
// it returns early when the thread is woken, and it is the only point where a
// forced end takes effect: the thread unwinds from here, so its routine must
// let exceptions pass (no noexcept frames).
void Sleep(uint32_t ms);

// Puts the calling thread below every normal thread: it runs only on CPU time
// nobody else wants (SCHED_IDLE where allowed, else the lowest nice level).
void LowerThisThreadToIdle();
