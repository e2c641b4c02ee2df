// The engine's lock and event wrappers.
#pragma once
#include <atomic>
#include <cstdint>
#include <thread>

#include "platform/kernel/KernelSync.h"

// The lock order: a thread takes a lock only while every lock it holds is of
// a lower level: song, then buffer, then a decoder or a processor. The pitch
// lock is the highest, so it is released before the song lock is taken.
// Checked builds abort on a lock taken out of order, or on the audio thread.
enum TOzoLockLevel : uint8_t {
  llUnordered = 0,
  llSong = 1,
  llBuffer = 2,
  llDecoderOrProcessor = 3,
  llPitch = 4,
};

// Recursive lock inherited by every engine class that both threads touch.
class TOzoSync {
 public:
  explicit TOzoSync(TOzoLockLevel level = llUnordered) : level_(level) {}
  TOzoSync(const TOzoSync&) = delete;
  TOzoSync& operator=(const TOzoSync&) = delete;

#if defined(VYS_CHECKED)
  void Enter();
  void Leave();
  bool HeldHere() const { return owner_.load() == std::this_thread::get_id(); }
#else
  void Enter() { Take(); }
  void Leave() { mutex_.Unlock(); }
  bool HeldHere() const { return true; }  // only asked by checks, which are off
#endif

  // For a thread that does a long run of short holds (a ring filled chunk by
  // chunk), called between two of them: a thread already waiting for the
  // lock takes it first. The mutex favours no one, and the thread that just
  // let go would otherwise take it back at once, again and again, keeping a
  // command waiting for the whole run.
  void LetWaitingThreadsIn();
  int ThreadsWaiting() const { return waiting_.load(); }

 private:
  void Take();

  KernelMutex mutex_;
  std::atomic<int> waiting_{0};
  KernelAutoResetEvent allTakenIn_;  // set when the last waiting thread has the lock
  const TOzoLockLevel level_;
#if defined(VYS_CHECKED)
  std::atomic<std::thread::id> owner_{};
  int depth_ = 0;
#endif
};

// Holds a TOzoSync for the lifetime of a scope.
class TOzoSyncGuard {
 public:
  explicit TOzoSyncGuard(TOzoSync& sync) : sync_(sync) { sync_.Enter(); }
  ~TOzoSyncGuard() { sync_.Leave(); }
  TOzoSyncGuard(const TOzoSyncGuard&) = delete;
  TOzoSyncGuard& operator=(const TOzoSyncGuard&) = delete;

 private:
  TOzoSync& sync_;
};

// Auto-reset event, created not signalled.
class TOzoEventTAG {
 public:
  void Set() { event_.Set(); }
  void Reset() { event_.Reset(); }
  // True when signalled within timeoutMs (INFINITE waits without limit).
  bool Wait(uint32_t timeoutMs = INFINITE) { return event_.Wait(timeoutMs); }

 private:
  KernelAutoResetEvent event_;
};
