// The engine's lock and event wrappers.
#pragma once
#include <cstdint>

#include "platform/kernel/KernelSync.h"

// Recursive lock inherited by every engine class that both threads touch.
// Lock order: pitch released before song; song, then buffer, then decoder or processor.
class TOzoSync {
 public:
  TOzoSync() = default;
  TOzoSync(const TOzoSync&) = delete;
  TOzoSync& operator=(const TOzoSync&) = delete;

  void Enter() { mutex_.Lock(); }
  void Leave() { mutex_.Unlock(); }

 private:
  KernelMutex mutex_;
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
