// The device and sound-buffer wrappers on the null output.
#include "audio/output/OzoDS.h"
#include "support/NullOutput.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "foundation/OzoError.h"
#include "support/AudioOutput.h"

using ::testing::MatchesRegex;

namespace {
const TWaveFormatEx kCd{{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16}, 0};

struct Wrappers : NullOutputDevice {
  int32_t Applied() {
    int32_t volume = 1;
    buffer.Buffer->GetVolume(&volume);
    return volume;
  }
  int32_t AppliedPan() {
    int32_t pan = 1;
    buffer.Buffer->GetPan(&pan);
    return pan;
  }
};

std::string Line(const std::string& message) { return message + " \\(OzoDS\\.cpp [0-9]+\\)"; }
}  // namespace

TEST_F(Wrappers, SecondaryBufferSizedInMillisecondsRoundsUpToWholeChunks) {
  ASSERT_EQ(
      buffer.CreateSecondary(&device, &kCd, 3000, kBufferSizeInMs | kBufferRoundToGranule | kBufferLooping, 32768), 0);
  EXPECT_EQ(buffer.GetSize(), 557056u);
  EXPECT_EQ(buffer.GetBlockAlign(), 4);
  EXPECT_EQ(buffer.GetSampleRate(), 44100u);
  EXPECT_EQ(buffer.GetChannels(), 2);
  EXPECT_EQ(buffer.GetBitsPerSample(), 16);
  EXPECT_EQ(buffer.PlayFlags, int(DSBPLAY_LOOPING));
  EXPECT_EQ(buffer.Owner, &device);
}

TEST_F(Wrappers, VolumeFollowsThePerceptualCurve) {
  ASSERT_EQ(buffer.CreateSecondary(&device, &kCd, 17640, kBufferLooping, 0), 0);
  const std::pair<unsigned, int32_t> curve[] = {{100, 0},    {90, -198}, {50, -1308}, {25, -2616},
                                                {10, -4345}, {1, -8691}, {0, -10000}, {150, 0}};
  for (auto [volume, hundredths] : curve) {
    buffer.SetVolume(volume);
    EXPECT_EQ(Applied(), hundredths) << volume;
  }
  EXPECT_EQ(buffer.Volume, 100u) << "150 is stored as 100";
}

TEST_F(Wrappers, MuteHoldsTheMuteLevelUntilUnmuted) {
  ASSERT_EQ(buffer.CreateSecondary(&device, &kCd, 17640, kBufferLooping, 0), 0);
  buffer.SetVolume(80);
  buffer.Mute();
  EXPECT_EQ(Applied(), -10000);
  EXPECT_EQ(buffer.EffectiveVolume(), 0u);
  buffer.SetVolume(40);
  EXPECT_EQ(Applied(), -10000) << "the stored volume changes, the audible one not";
  EXPECT_EQ(buffer.Volume, 40u);
  buffer.Unmute();
  EXPECT_EQ(Applied(), int32_t((VolumeLevel(40) - 100) * 100));
  EXPECT_EQ(buffer.EffectiveVolume(), 40u);
}

TEST_F(Wrappers, PanAttenuatesTheOppositeSideAndClamps) {
  ASSERT_EQ(buffer.CreateSecondary(&device, &kCd, 17640, kBufferLooping, 0), 0);
  const std::pair<int, int32_t> pans[] = {{0, 0}, {50, 1308}, {-50, -1308}, {100, 10000}, {-250, -10000}};
  for (auto [pan, applied] : pans) {
    buffer.SetPan(pan);
    EXPECT_EQ(AppliedPan(), applied) << pan;
  }
  EXPECT_EQ(buffer.GetPan(), -100);
}

TEST_F(Wrappers, LockOneBytePastTheEndIsRefused) {
  ASSERT_EQ(buffer.CreateSecondary(&device, &kCd, 65536, kBufferLooping, 0), 0);
  void* memory = &buffer;
  EXPECT_EQ(buffer.Lock(32768, 32769, &memory), -1);
  EXPECT_EQ(memory, nullptr);
  EXPECT_THAT(GetLastErrorText(), MatchesRegex(Line("OzoSoundBuffer: Lock no valido")));
  ASSERT_EQ(buffer.Lock(32768, 32768, &memory), 0);
  EXPECT_NE(memory, nullptr);
  EXPECT_EQ(buffer.Unlock(), 0);
}

TEST_F(Wrappers, InvalidBufferAnswersZeroEverywhere) {
  EXPECT_EQ(buffer.GetSize(), 0u);
  EXPECT_EQ(buffer.GetChannels(), 0);
  EXPECT_EQ(buffer.GetBitsPerSample(), 0);
  EXPECT_EQ(buffer.GetBlockAlign(), 0);
  EXPECT_EQ(buffer.GetSampleRate(), 0u);
  EXPECT_EQ(buffer.GetPlayCursor(), 0u);
  EXPECT_EQ(buffer.IsPlaying(), 0);
  EXPECT_EQ(buffer.EffectiveVolume(), 0u);
  EXPECT_EQ(buffer.GetPan(), 0);
  buffer.Play();
  buffer.SetVolume(10);
  EXPECT_EQ(buffer.Valid, 0);
}

TEST_F(Wrappers, FailuresReportTheirSpanishMessageWithTheResultName) {
  TWaveFormatEx deep = kCd;
  deep.pcm.wBitsPerSample = 24;
  deep.pcm.nBlockAlign = 6;
  deep.pcm.nAvgBytesPerSec = 264600;
  EXPECT_EQ(buffer.CreateSecondary(&device, &deep, 17640, kBufferLooping, 0), -1);
  EXPECT_THAT(GetLastErrorText(), MatchesRegex(Line("OzoSoundBuffer: Error creando buffer \\[DSERR_BADFORMAT\\]")));

  TOzoAudioTAG other;
  TGuid unknown{{9, 9, 9}};
  TOzoAudioConfig config{0, &unknown, nullptr, nullptr};
  EXPECT_EQ(other.Open(&config), -1);
  EXPECT_THAT(GetLastErrorText(), MatchesRegex(Line("OzoAudio: Error inicializando DirectSound \\[DSERR_NODRIVER\\]")));
  EXPECT_EQ(other.Opened, 0);

  TOzoAudioConfig badFormat{0, nullptr, nullptr, &deep};
  EXPECT_EQ(other.Open(&badFormat), -2);
  EXPECT_THAT(GetLastErrorText(),
              MatchesRegex(Line("OzoAudio: Error estableciendo formato de salida \\[DSERR_BADFORMAT\\]")));
}

TEST(MsToBytes, TruncatesToWholeFrames) {
  EXPECT_EQ(MsToBytes(1000, &kCd), 176400u);
  TWaveFormatEx mono8{{WAVE_FORMAT_PCM, 1, 22050, 22050, 1, 8}, 0};
  EXPECT_EQ(MsToBytes(3, &mono8), 66u);
  EXPECT_EQ(MsToBytes(1, &kCd), 176u);
  TWaveFormatEx hiRes{{WAVE_FORMAT_PCM, 2, 192000, 768000, 4, 16}, 0};
  EXPECT_EQ(MsToBytes(10000, &hiRes), 7680000u) << "no 32-bit wrap-around";
}

TEST(DeviceList, DefaultOutputComesFirstWithoutAnId) {
  ScopedAudioOutput audio("null");
  TStringList list;
  ASSERT_EQ(EnumerateDevices(list), 2);
  EXPECT_EQ(list.Strings(0), "Primary Sound Driver");
  EXPECT_EQ(list.Objects(0), nullptr);
  ASSERT_NE(list.Objects(1), nullptr);

  TOzoAudioTAG device;
  TOzoAudioConfig config{0, static_cast<const TGuid*>(list.Objects(1)), nullptr, nullptr};
  EXPECT_EQ(device.Open(&config), 0) << "a listed id opens its device";
  device.Close();

  FreeDeviceList(list);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Objects(1), nullptr);
}
