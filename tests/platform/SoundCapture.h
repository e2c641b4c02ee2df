// A sound device whose output is captured to a WAV file, with helpers to
// make buffers and to read back what was heard. The capture is mixed only by
// player_.RunFor, so a test hears exactly what it mixed on any machine.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "platform/sound/DirectSound.h"
#include "support/AudioAnalysis.h"
#include "support/AudioOutput.h"
#include "support/HeardFrames.h"
#include "support/SteppedPlayer.h"
#include "support/TempDir.h"

using SteadyClock = std::chrono::steady_clock;

class CapturedOutput : public ::testing::Test {
 protected:
  static constexpr uint32_t kDeviceRate = 48000;
  static constexpr double kPeriodSeconds = 256.0 / kDeviceRate;

  void SetUp() override;
  void TearDown() override;

  // A buffer holding exactly `pcm` (16-bit, interleaved).
  IDirectSoundBuffer* MakeBuffer(uint32_t rate, uint16_t channels, const std::vector<int16_t>& pcm);
  // Releases everything, closes the capture and reads it back.
  Capture Finish();
  static double Seconds(SteadyClock::time_point from, SteadyClock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
  }

  TempDir dir_;
  SteppedPlayer player_{dir_.File("capture.wav"), kDeviceRate};
  IDirectSound* sound_ = nullptr;
  std::vector<IDirectSoundBuffer*> buffers_;
  SteadyClock::time_point openedBefore_, openedAfter_;
};
