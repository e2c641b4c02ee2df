// The sound output a test plays to, chosen for as long as the object lives
// (the choice before it comes back after): the null device, or a capture
// into a WAV file that the test then reads.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "support/Environment.h"

class ScopedAudioOutput {
 public:
  static constexpr uint32_t kRate = 48000;

  // `choice` is a VYS_AUDIO value: "null", or Capture(path).
  explicit ScopedAudioOutput(const std::string& choice, uint32_t rate = kRate);

  static std::string Capture(const std::string& path) { return "wav:" + path; }
  // A capture mixed only by MixCapturedPeriods: heard without the clock.
  static std::string SteppedCapture(const std::string& path) { return "wav-steps:" + path; }

 private:
  ScopedEnvironment audio_, rate_;
};

// Lets the deck play on for a while. Tests that check an outcome measure the
// capture afterwards rather than trust the time waited.
void Wait(double seconds);

// Polls `done` every `pauseSeconds` until it holds, for at most `limitSeconds`
// (generous: a loaded machine is slow, not wrong); false when the limit
// passed first. A costly `done` (reading a capture, running a tool) wants a
// longer pause.
bool WaitUntil(const std::function<bool()>& done, double limitSeconds = 20, double pauseSeconds = 0.01);
