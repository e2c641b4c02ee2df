// Locks and events of the kernel, on the C++ runtime's pthread primitives.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>

// A recursive lock. It counts the locks each thread holds, so that a forced
// thread end can be restricted to moments when the thread holds none.
class KernelMutex {
 public:
  void Lock();
  bool TryLock();
  void Unlock();

 private:
  std::recursive_mutex mutex_;
};

// Number of KernelMutex locks the calling thread holds (recursion counted).
int KernelLocksHeld();

constexpr uint32_t INFINITE = 0xFFFFFFFF;

// An event that resets itself when a waiter is released by it.
class KernelAutoResetEvent {
 public:
  void Set();
  void Reset();
  // Waits up to timeoutMs (INFINITE: no limit); true when signalled.
  bool Wait(uint32_t timeoutMs);

 private:
  std::mutex mutex_;
  std::condition_variable cond_;
  bool signalled_ = false;
};
