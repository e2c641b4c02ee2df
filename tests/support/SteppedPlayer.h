// A player the test runs: a capture mixed on demand, a clock that counts what
// it has mixed, and player cycles run between its periods when a player
// thread would run them. Whatever times itself by the clock keeps step with
// what is heard, so a test hears the engine the same way on any machine.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "foundation/OzoCounter.h"
#include "support/AudioAnalysis.h"
#include "support/AudioOutput.h"

class SteppedPlayer {
 public:
  // One player cycle; returns how long the player may sleep after it, in ms.
  using Cycle = std::function<uint32_t()>;
  // Whether a command has woken the player since its last cycle.
  using Woken = std::function<bool()>;

  // Chooses a stepped capture into `path` at `rate` Hz while it lives; the
  // output opened meanwhile is mixed only by RunFor.
  explicit SteppedPlayer(std::string path, uint32_t rate = ScopedAudioOutput::kRate);
  SteppedPlayer(const SteppedPlayer&) = delete;
  SteppedPlayer& operator=(const SteppedPlayer&) = delete;

  // The clock, a tick per frame mixed. It reads this object: whatever holds
  // it must go before the player does.
  TVyCounter Counter() const;
  // What runs the cycles. Without `woken`, the player runs one before every
  // period, as a player woken by every command would.
  void SetCycle(Cycle cycle, Woken woken = nullptr);

  // Mixes `ms` more, in whole periods, with a cycle before a period whenever
  // the last cycle's sleep is over or the player was woken (and before the
  // first: a thread starts with a cycle). Time passes while no output is
  // open too; the capture holds only what was mixed once one was.
  void RunFor(double ms);
  // Runs `stepMs` at a time until `done` holds: false when `limitMs` passed first.
  bool RunUntil(const std::function<bool()>& done, double stepMs, double limitMs = 20000);

  uint32_t Rate() const { return rate_; }
  // Frames since the start: the clock's reading.
  int64_t Now() const { return now_; }
  // Frames in the capture so far: where the next period will be heard.
  size_t CaptureFrames() const { return captured_; }
  // Frames of `ms` at the capture's rate.
  size_t Frames(double ms) const { return size_t(ms * rate_ / 1000); }
  // What the capture holds; read it after its output has closed.
  Capture Read() const;

 private:
  ScopedAudioOutput audio_;
  const std::string path_;
  const uint32_t rate_;
  Cycle cycle_;
  Woken woken_;
  std::atomic<int64_t> now_{0};
  int64_t nextCycle_ = 0;
  size_t captured_ = 0;
};
