// The deck's worker thread: a cooperative stop flag and a bounded stop.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/kernel/KernelThread.h"

// The thread function loops until *stopFlag is nonzero; its result is the
// thread's exit code.
using TOzoThreadFunc = int (*)(const std::atomic<int32_t>* stopFlag, void* userData);

class TOzoThreadTAG {
 public:
  // How long a stop waits for the function to see the flag before ending the thread.
  static constexpr uint32_t kStopTimeoutMs = 3000;
  // How long a forced end may take to reach the thread's next lock-free sleep.
  static constexpr uint32_t kForcedEndGraceMs = 1000;
  static constexpr int kForcedExitCode = -1;

  // Starts function(&stopFlag, userData) at raised priority. The wrapper is
  // returned even when no thread could be created; it then has no handle.
  static std::unique_ptr<TOzoThreadTAG> StartThread(TOzoThreadFunc function, void* userData);

  // Stops the thread: sets the flag, wakes it, waits up to kStopTimeoutMs,
  // then ends it by force.
  ~TOzoThreadTAG();

  // Cuts the thread's current or next Sleep short, so that it sees new work now.
  void Wake() { thread_.Wake(); }

  bool HasHandle() const { return thread_.Started(); }
  uint32_t ThreadId() const { return thread_.Id(); }
  int ExitCode() const { return thread_.ExitCode(); }

  // What the thread reads; shared so that a thread left running after a
  // failed forced end never reads freed memory of the wrapper.
  struct TShared {
    std::atomic<int32_t> stopFlag{0};
    TOzoThreadFunc function = nullptr;
    void* userData = nullptr;
  };

 private:
  TOzoThreadTAG() = default;
  static int Run(void* shared);

  KernelThread thread_;
  std::shared_ptr<TShared> shared_;
};
