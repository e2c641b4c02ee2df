#include "platform/kernel/KernelSync.h"

#include <chrono>

namespace {
thread_local int tlsLocksHeld = 0;
}

void KernelMutex::Lock() {
  mutex_.lock();
  ++tlsLocksHeld;
}

bool KernelMutex::TryLock() {
  if (!mutex_.try_lock()) return false;
  ++tlsLocksHeld;
  return true;
}

void KernelMutex::Unlock() {
  --tlsLocksHeld;
  mutex_.unlock();
}

int KernelLocksHeld() { return tlsLocksHeld; }

void KernelAutoResetEvent::Set() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    signalled_ = true;
  }
  cond_.notify_one();
}

void KernelAutoResetEvent::Reset() {
  std::lock_guard<std::mutex> guard(mutex_);
  signalled_ = false;
}

bool KernelAutoResetEvent::Wait(uint32_t timeoutMs) {
  std::unique_lock<std::mutex> guard(mutex_);
  auto isSignalled = [this] { return signalled_; };
  if (timeoutMs == INFINITE)
    cond_.wait(guard, isSignalled);
  else if (!cond_.wait_for(guard, std::chrono::milliseconds(timeoutMs), isSignalled))
    return false;
  signalled_ = false;
  return true;
}
