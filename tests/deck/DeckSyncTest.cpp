// The deck's sync on a real Link session (in a private network) and the
// real mixer: the rate the session asks for reaches the voice, and the
// audio thread's part of it allocates nothing.
#include "deck/DeckSync.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/sound/SoundMixer.h"
#include "support/AllocationCount.h"
#include "support/PrivateNetwork.h"

TEST(DeckSync, ASyncedVoicePlaysAtTheSessionsTempoAndItsPeriodsAllocateNothing) {
  std::string why;
  ASSERT_TRUE(EnterLoopbackOnlyNetwork(&why)) << why;
  constexpr uint32_t kDeviceRate = 48000, kFileRate = 44100, kPeriod = 256, kPeriods = 400;
  TDeckSync sync;
  sync.EnableLink(true, 128.0);
  sync.SetGrid({124.0, 0.0, double(kFileRate)});
  sync.Follow(true);
  TSoundVoice voice(TPCMWaveFormat{WAVE_FORMAT_PCM, 2, kFileRate, kFileRate * 4, 4, 16}, 4 * kFileRate * 4);
  voice.frequency = kFileRate;
  voice.looping = true;
  voice.playing = true;
  voice.follower = &sync;
  SoundMixer mixer(kDeviceRate);
  mixer.Attach(&voice);
  std::vector<float> out(2 * kPeriod);
  {
    AllocationCount allocations;
    for (uint32_t k = 0; k < kPeriods; ++k) mixer.Mix(out.data(), kPeriod);
    EXPECT_EQ(allocations.Seen(), 0);
  }
  mixer.Detach(&voice);
  const double ownRate = double(kPeriods) * kPeriod * kFileRate / kDeviceRate;
  const double played = voice.mixedFrame;  // less than one pass of the loop
  // At most the phase's correction off, and a little for the whole frames.
  EXPECT_NEAR(played / ownRate, 128.0 / 124.0, 1.5 * TPhaseController::kMaxCorrection);
}
