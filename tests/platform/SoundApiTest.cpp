// The sound-buffer API's contract, on the null output.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/sound/DirectSound.h"
#include "support/AudioOutput.h"

namespace {
struct NullOutput : ::testing::Test {
  ScopedAudioOutput audio{"null"};
  IDirectSound* sound = nullptr;
  IDirectSoundBuffer* buffer = nullptr;
  TWaveFormatEx cd{{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16}, 0};

  void SetUp() override { ASSERT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DS_OK); }
  void TearDown() override {
    if (buffer) buffer->Release();
    sound->Release();
  }
  HRESULT Create(const TWaveFormatEx& format, uint32_t bytes, IDirectSoundBuffer** out) {
    TDSBufferDesc desc{sizeof(TDSBufferDesc), DSBCAPS_CTRLVOLUME, bytes, 0, &format};
    return sound->CreateSoundBuffer(&desc, out, nullptr);
  }
};

TWaveFormatEx Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
  uint16_t align = uint16_t(channels * bits / 8);
  return {{WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits}, 0};
}
}  // namespace

TEST_F(NullOutput, SecondaryBuffersTakeEightOrSixteenBitMonoOrStereoOnly) {
  for (auto format : {Pcm(1, 8000, 8), Pcm(2, 44100, 16), Pcm(1, 200000, 16), Pcm(2, 100, 8)}) {
    IDirectSoundBuffer* made = nullptr;
    EXPECT_EQ(Create(format, 4096, &made), DS_OK) << format.pcm.nChannels << "/" << format.pcm.wBitsPerSample;
    if (made) made->Release();
  }
  IDirectSoundBuffer* refused = nullptr;
  for (auto format : {Pcm(2, 44100, 24), Pcm(3, 44100, 16), Pcm(2, 44100, 32), Pcm(1, 99, 16), Pcm(1, 200001, 16)})
    EXPECT_EQ(Create(format, 4096, &refused), DSERR_BADFORMAT);
  TWaveFormatEx adpcm = cd;
  adpcm.pcm.wFormatTag = 2;
  EXPECT_EQ(Create(adpcm, 4096, &refused), DSERR_BADFORMAT);
  EXPECT_EQ(refused, nullptr);
}

TEST_F(NullOutput, FrequencyOutsideItsRangeIsRefusedAndKeepsTheOldRate) {
  ASSERT_EQ(Create(cd, 17640, &buffer), DS_OK);
  uint32_t hz = 0;
  EXPECT_EQ(buffer->SetFrequency(47628), DS_OK);
  EXPECT_EQ(buffer->SetFrequency(99), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetFrequency(200001), DSERR_INVALIDPARAM);
  buffer->GetFrequency(&hz);
  EXPECT_EQ(hz, 47628u);
  EXPECT_EQ(buffer->SetFrequency(DSBFREQUENCY_ORIGINAL), DS_OK);
  buffer->GetFrequency(&hz);
  EXPECT_EQ(hz, 44100u);
  EXPECT_EQ(buffer->SetVolume(1), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetVolume(-10001), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetPan(10001), DSERR_INVALIDPARAM);
}

TEST_F(NullOutput, LocksWrapAroundButNeverReachOutsideTheBuffer) {
  ASSERT_EQ(Create(cd, 1000, &buffer), DS_OK);
  void *first = nullptr, *second = nullptr;
  uint32_t firstBytes = 0, secondBytes = 0;
  ASSERT_EQ(buffer->Lock(900, 300, &first, &firstBytes, &second, &secondBytes, 0), DS_OK);
  EXPECT_EQ(firstBytes, 100u);
  EXPECT_EQ(secondBytes, 200u);
  EXPECT_EQ(static_cast<char*>(second) + 900, static_cast<char*>(first));
  EXPECT_EQ(buffer->Unlock(first, firstBytes, second, secondBytes), DS_OK);
  EXPECT_EQ(buffer->Lock(1000, 4, &first, &firstBytes, &second, &secondBytes, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->Lock(0, 1001, &first, &firstBytes, &second, &secondBytes, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->Lock(900, 300, &first, &firstBytes, nullptr, nullptr, 0), DSERR_INVALIDPARAM)
      << "a wrapping range needs the second part";
  char outside[8];
  EXPECT_EQ(buffer->Unlock(outside, 8, nullptr, 0), DSERR_INVALIDPARAM);
}

TEST_F(NullOutput, PositionRoundsDownToWholeFramesAndStopKeepsIt) {
  ASSERT_EQ(Create(cd, 176400, &buffer), DS_OK);
  EXPECT_EQ(buffer->SetCurrentPosition(1003), DS_OK);
  uint32_t play = 0, status = 99;
  buffer->GetCurrentPosition(&play, nullptr);
  EXPECT_EQ(play, 1000u);
  EXPECT_EQ(buffer->SetCurrentPosition(176400), DSERR_INVALIDPARAM);
  buffer->GetStatus(&status);
  EXPECT_EQ(status, 0u);
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  buffer->GetStatus(&status);
  EXPECT_EQ(status, DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
  buffer->Stop();
  buffer->GetCurrentPosition(&play, nullptr);
  uint32_t later = 0;
  buffer->GetCurrentPosition(&later, nullptr);
  EXPECT_GE(later, play);
}

TEST_F(NullOutput, PrimaryBufferHoldsTheOutputFormat) {
  TDSBufferDesc desc{sizeof(TDSBufferDesc), DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};
  ASSERT_EQ(sound->CreateSoundBuffer(&desc, &buffer, nullptr), DS_OK);
  EXPECT_EQ(buffer->SetFormat(&cd), DS_OK);
  TWaveFormatEx bad = Pcm(2, 44100, 24);
  EXPECT_EQ(buffer->SetFormat(&bad), DSERR_BADFORMAT);
  EXPECT_EQ(sound->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
}

TEST(SoundDevices, ListStartsWithTheDefaultOutputUnderANullId) {
  ScopedAudioOutput audio("null");
  struct Entry {
    bool hasId;
    std::string description;
  };
  std::vector<Entry> entries;
  DirectSoundEnumerate(
      [](const TGuid* id, const char* description, const char*, void* list) {
        static_cast<std::vector<Entry>*>(list)->push_back({id != nullptr, description});
        return true;
      },
      &entries);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_FALSE(entries[0].hasId);
  EXPECT_EQ(entries[0].description, "Primary Sound Driver");
  EXPECT_TRUE(entries[1].hasId);
  EXPECT_EQ(entries[1].description, "Null output");

  TGuid unknown{{1, 2, 3}};
  IDirectSound* sound = nullptr;
  EXPECT_EQ(DirectSoundCreate(&unknown, &sound, nullptr), DSERR_NODRIVER);
  EXPECT_EQ(sound, nullptr);
}

TEST(SoundDevices, WithoutAnyOutputNotEvenTheDefaultIsListed) {
  ScopedAudioOutput audio("none");
  int calls = 0;
  DirectSoundEnumerate(
      [](const TGuid*, const char*, const char*, void* n) {
        ++*static_cast<int*>(n);
        return true;
      },
      &calls);
  EXPECT_EQ(calls, 0);
  IDirectSound* sound = nullptr;
  EXPECT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DSERR_NODRIVER);
  EXPECT_EQ(sound, nullptr);
}
