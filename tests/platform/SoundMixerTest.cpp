// The mixer and its kernel driven directly, without a device: every sample
// format, gain ramps, channel mixes, and the vector code against the portable code.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "platform/sound/DirectSound.h"
#include "platform/sound/SincKernel.h"
#include "platform/sound/SoundMixer.h"

namespace {
constexpr uint32_t kDeviceRate = 48000;

// A playing, looping voice whose bytes are all random, the same for a seed.
std::unique_ptr<TSoundVoice> NoiseVoice(uint16_t channels, uint16_t bits, uint32_t rate, uint32_t frames,
                                        uint32_t seed) {
  const uint16_t align = uint16_t(channels * bits / 8);
  TPCMWaveFormat format{WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits};
  auto voice = std::make_unique<TSoundVoice>(format, frames * align);
  std::mt19937 random(seed);
  for (uint32_t i = 0; i < frames * align; ++i) voice->memory[i] = uint8_t(random());
  voice->looping = true;
  voice->playing = true;
  return voice;
}

// What `mixer` makes of `voice` over calls of the given sizes, back to back.
std::vector<float> MixCalls(SoundMixer& mixer, TSoundVoice& voice, const std::vector<uint32_t>& calls) {
  mixer.Attach(&voice);
  std::vector<float> out;
  for (uint32_t frames : calls) {
    std::vector<float> period(2 * frames);
    mixer.Mix(period.data(), frames);
    out.insert(out.end(), period.begin(), period.end());
  }
  mixer.Detach(&voice);
  return out;
}

float Sample(const TSoundVoice& voice, uint32_t frame, int channel) {
  const uint8_t* at = voice.memory.get() + frame * voice.format.nBlockAlign;
  if (voice.format.wBitsPerSample == 8) return float(at[channel] - 128) / 128.0f;
  return float(int16_t(at[2 * channel] | at[2 * channel + 1] << 8)) / 32768.0f;
}
}  // namespace

// The phase table is copied from the kernel's samples by index arithmetic;
// between phases it must still be the kernel, on every tap and either path.
TEST(SincKernel, TableIsTheKernelBetweenPhases) {
  for (auto path : {SincKernel::Path::kFastest, SincKernel::Path::kPortable}) {
    const SincKernel kernel(path);
    std::mt19937 random(7);
    for (int trial = 0; trial < 40; ++trial) {
      // Sixteen-bit fractions, so that the distances below are exact in a float.
      const uint32_t fraction = random() & 0xffff0000u;
      const float frac = float(fraction) / 4294967296.0f;
      for (int j = 0; j < SincKernel::kTaps; ++j) {
        std::vector<float> left(SincKernel::kTaps), right(SincKernel::kTaps);
        left[size_t(j)] = 1.0f;
        right[size_t(j)] = -0.5f;
        float out[2];
        kernel.Resample(left.data(), right.data(), fraction, 0, 1, out);
        const float expected = kernel.At(float(j - SincKernel::kHalfTaps + 1) - frac);
        ASSERT_NEAR(out[0], expected, 1e-6) << "tap " << j << " at " << frac;
        ASSERT_NEAR(out[1], -0.5f * expected, 1e-6) << "tap " << j << " at " << frac;
      }
    }
  }
}

// The vector code sums in another order and with fused multiply-adds, nothing
// more: through the whole mixer, every format and every kind of rate, in mix
// calls that end inside the kernel's groups of positions.
TEST(SoundMixer, FastPathSoundsLikeThePortableOne) {
  const SincKernel fast(SincKernel::Path::kFastest), portable(SincKernel::Path::kPortable);
  const std::vector<uint32_t> calls = {1, 7, 100, 256, 63, 1000, 5};
  struct Rate {
    uint32_t source, play;
  } rates[] = {{44100, 47628}, {48000, 51840}, {44100, 30000}, {96000, 96000}, {44100, 66150}};
  for (uint16_t channels : {1, 2})
    for (uint16_t bits : {8, 16})
      for (Rate rate : rates) {
        std::vector<float> outs[2];
        for (int i = 0; i < 2; ++i) {
          auto voice = NoiseVoice(channels, bits, rate.source, 3000, 11);
          voice->frequency = rate.play;
          voice->gainLeft = voice->gainRight = 0.25f;  // clipping would hide differences
          SoundMixer mixer(kDeviceRate, i == 0 ? portable : fast);
          outs[i] = MixCalls(mixer, *voice, calls);
        }
        const std::vector<float>& expected = outs[0];
        const std::vector<float>& heard = outs[1];
        ASSERT_EQ(heard.size(), expected.size());
        for (size_t i = 0; i < heard.size(); ++i)
          ASSERT_NEAR(heard[i], expected[i], 5e-7f) << channels << " channels, " << bits << " bits, " << rate.source
                                                    << " Hz at " << rate.play << ", sample " << i;
      }
}

// Each format's samples come out unchanged at unity rate; mono on both sides.
TEST(SoundMixer, UnityRatePassesEveryFormatThroughExactly) {
  for (uint16_t channels : {1, 2})
    for (uint16_t bits : {8, 16}) {
      auto voice = NoiseVoice(channels, bits, kDeviceRate, 500, 3);
      SoundMixer mixer(kDeviceRate);
      const std::vector<float> out = MixCalls(mixer, *voice, {300, 300});
      for (uint32_t k = 0; k < 600; ++k) {
        ASSERT_EQ(out[2 * k], Sample(*voice, k % 500, 0)) << channels << "/" << bits << ", frame " << k;
        ASSERT_EQ(out[2 * k + 1], Sample(*voice, k % 500, channels - 1)) << channels << "/" << bits;
      }
    }
}

// A new gain is reached over one mix call in equal steps, each side on its own,
// across the mixer's batches, and lands exactly.
TEST(SoundMixer, GainChangeRampsOverOneMixCall) {
  auto voice = NoiseVoice(2, 16, kDeviceRate, 1000, 5);
  SoundMixer mixer(kDeviceRate);
  mixer.Attach(voice.get());
  std::vector<float> out(2 * 200);
  mixer.Mix(out.data(), 100);
  voice->gainLeft = 0.25f;
  voice->gainRight = 0.5f;
  mixer.Mix(out.data(), 200);
  for (uint32_t k = 0; k < 200; ++k) {
    const float done = float(k + 1) / 200.0f;
    EXPECT_NEAR(out[2 * k], (1.0f - 0.75f * done) * Sample(*voice, 100 + k, 0), 1e-6f) << k;
    EXPECT_NEAR(out[2 * k + 1], (1.0f - 0.5f * done) * Sample(*voice, 100 + k, 1), 1e-6f) << k;
  }
  EXPECT_EQ(out[398], 0.25f * Sample(*voice, 299, 0));
  EXPECT_EQ(out[399], 0.5f * Sample(*voice, 299, 1));
  mixer.Detach(voice.get());
}

// A channel mix folds a stereo voice into one side, weighed by that side's
// gain, from the first frame it plays; a mono voice stays on both sides.
TEST(SoundMixer, ChannelMixFoldsStereoIntoOneSide) {
  for (uint16_t bits : {8, 16})
    for (uint16_t channels : {1, 2})
      for (uint32_t mix : {DSBMIX_LEFT, DSBMIX_RIGHT}) {
        auto voice = NoiseVoice(channels, bits, kDeviceRate, 500, 9);
        voice->channelMix = mix;
        (mix == DSBMIX_LEFT ? voice->gainLeft : voice->gainRight) = 0.5f;
        SoundMixer mixer(kDeviceRate);
        const std::vector<float> out = MixCalls(mixer, *voice, {300});
        const int folded = mix == DSBMIX_LEFT ? 0 : 1;
        for (uint32_t k = 0; k < 300; ++k) {
          const float left = Sample(*voice, k, 0), right = Sample(*voice, k, channels - 1);
          // Stereo: the mean on the folded side, weighed by its gain, silence on
          // the other. Mono: each side as it is, weighed by its own gain.
          const float mean = 0.5f * (left + right);
          const float gain[2] = {folded == 0 ? 0.5f : 1.0f, folded == 1 ? 0.5f : 1.0f};
          const float expected[2] = {channels == 2 ? (folded == 0 ? 0.5f * mean : 0.0f) : gain[0] * left,
                                     channels == 2 ? (folded == 1 ? 0.5f * mean : 0.0f) : gain[1] * right};
          ASSERT_EQ(out[2 * k], expected[0]) << bits << " bits, " << channels << " channels, frame " << k;
          ASSERT_EQ(out[2 * k + 1], expected[1]) << bits << " bits, " << channels << " channels, frame " << k;
        }
      }
}

// A rate follower sees, for each mix, the source frame it starts from,
// counted on from the number given with the last seek through every pass of
// a looping buffer, and the output's frame, which runs on through periods
// the output played without a mix, and which mix took a seek; a start it
// holds is heard exactly that many frames late.
TEST(SoundMixer, FollowerSeesTheSourceFrameAndHoldsTheStart) {
  struct Follower final : TVoiceRateFollower {
    std::vector<double> seen, outputFrames;
    std::vector<bool> seeks;
    uint32_t hold = 0;
    TVoicePlan PlanPeriod(const TVoicePeriod& period) override {
      if (period.playing) seen.push_back(period.sourceFrame);
      outputFrames.push_back(period.outputFrame);
      seeks.push_back(period.seeked);
      const uint32_t now = hold;
      hold -= std::min(hold, period.frames);
      return {0, now};
    }
  } follower;
  auto voice = NoiseVoice(2, 16, kDeviceRate, 1000, 3);
  voice->follower = &follower;
  voice->sourceOrigin = 5000;
  voice->seekFrame = 100;
  follower.hold = 300;
  SoundMixer mixer(kDeviceRate);
  const std::vector<float> out = MixCalls(mixer, *voice, {256, 512, 512, 512});
  EXPECT_EQ(follower.seen, (std::vector<double>{5100, 5100, 5568, 6080}));
  for (uint32_t k = 0; k < 300; ++k) ASSERT_EQ(out[2 * k], 0.0f) << k;
  for (uint32_t k = 300; k < 1000; ++k) ASSERT_EQ(out[2 * k], Sample(*voice, 100 + (k - 300) % 1000, 0)) << k;

  mixer.Attach(voice.get());
  std::vector<float> period(2 * 256);
  mixer.Mix(period.data(), 256, 90000);
  mixer.Mix(period.data(), 256);
  mixer.Detach(voice.get());
  EXPECT_EQ(follower.outputFrames, (std::vector<double>{0, 256, 768, 1280, 90000, 90256}));
  EXPECT_EQ(follower.seeks, (std::vector<bool>{true, false, false, false, false, false}));
}

// Frames a follower asks to skip are played into nothing before the mix: the
// mix goes on from the frame after them.
TEST(SoundMixer, FramesAFollowerSkipsAreNotHeard) {
  struct Follower final : TVoiceRateFollower {
    int mixes = 0;
    TVoicePlan PlanPeriod(const TVoicePeriod&) override { return {0, 0, ++mixes == 2 ? 100u : 0u}; }
  } follower;
  auto voice = NoiseVoice(2, 16, kDeviceRate, 1000, 3);
  voice->follower = &follower;
  SoundMixer mixer(kDeviceRate);
  const std::vector<float> out = MixCalls(mixer, *voice, {256, 256});
  for (uint32_t k = 0; k < 512; ++k) ASSERT_EQ(out[2 * k], Sample(*voice, k < 256 ? k : k + 100, 0)) << k;
}
