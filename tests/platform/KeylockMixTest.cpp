// The mixer with a keylock stage, driven directly: the audio thread's rules
// hold through everything a deck does to a playing voice.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "platform/sound/SoundMixer.h"
#include "platform/sound/VoicePitchStage.h"
#include "support/AllocationCount.h"

namespace {
constexpr uint32_t kDeviceRate = 48000;
constexpr uint32_t kFileRate = 44100;
constexpr uint32_t kPeriod = 256;
}  // namespace

// Starts, bends, a seek, a stop and a restart, keylock off and on again: the
// stage was prepared before, so no mix allocates.
TEST(KeylockMix, MixingAllocatesNothing) {
  for (auto engine : {PitchShifter::Engine::kFine, PitchShifter::Engine::kFast}) {
    const uint32_t frames = 4 * kFileRate;
    TSoundVoice voice({1, 2, kFileRate, 4 * kFileRate, 4, 16}, 4 * frames);
    std::mt19937 random(3);
    for (uint32_t i = 0; i < voice.bytes; ++i) voice.memory[i] = uint8_t(random());
    voice.looping = true;
    TVoicePitchStage stage(kDeviceRate, engine);
    voice.keylock = &stage;
    SoundMixer mixer(kDeviceRate);
    ASSERT_TRUE(mixer.Attach(&voice));
    std::vector<float> out(2 * kPeriod);
    double heard = 0;
    {
      AllocationCount allocations;
      voice.playing = true;
      for (int period = 0; period < 400; ++period) {
        // Fader moves and bends anywhere in the widest range, and more.
        if (period % 5 == 0) voice.frequency = uint32_t(kFileRate * std::uniform_real_distribution(0.7, 1.4)(random));
        if (period == 150) voice.seekFrame = kFileRate;
        if (period == 200) voice.playing = false;
        if (period == 220) voice.playing = true;
        if (period == 300) voice.keylock = nullptr;
        if (period == 320) voice.keylock = &stage;
        mixer.Mix(out.data(), kPeriod);
        for (float sample : out) heard += sample * sample;
      }
      EXPECT_EQ(allocations.Seen(), 0);
    }
    EXPECT_GT(heard, 0.0) << "the voice was heard";
    mixer.Detach(&voice);
  }
}
