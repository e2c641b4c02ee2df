#include "SoundCapture.h"

#include <cstdlib>
#include <cstring>
#include <thread>

void CapturedOutput::SetUp() {
  openedBefore_ = SteadyClock::now();
  ASSERT_EQ(DirectSoundCreate(nullptr, &sound_, nullptr), DS_OK);
  openedAfter_ = SteadyClock::now();
}

void CapturedOutput::TearDown() {
  if (sound_) Finish();
}

IDirectSoundBuffer* CapturedOutput::MakeBuffer(uint32_t rate, uint16_t channels, const std::vector<int16_t>& pcm) {
  const uint16_t align = uint16_t(2 * channels);
  TWaveFormatEx format{{WAVE_FORMAT_PCM, channels, rate, rate * align, align, 16}, 0};
  const uint32_t bytes = uint32_t(pcm.size() * 2);
  TDSBufferDesc desc{sizeof(TDSBufferDesc), DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN, bytes, 0,
                     &format};
  IDirectSoundBuffer* buffer = nullptr;
  EXPECT_EQ(sound_->CreateSoundBuffer(&desc, &buffer, nullptr), DS_OK);
  void* memory = nullptr;
  uint32_t locked = 0;
  EXPECT_EQ(buffer->Lock(0, bytes, &memory, &locked, nullptr, nullptr, 0), DS_OK);
  std::memcpy(memory, pcm.data(), locked);
  buffer->Unlock(memory, locked, nullptr, 0);
  buffers_.push_back(buffer);
  return buffer;
}

Capture CapturedOutput::Finish() {
  for (IDirectSoundBuffer* buffer : buffers_) buffer->Release();
  buffers_.clear();
  sound_->Release();
  sound_ = nullptr;
  Capture capture;
  EXPECT_TRUE(ReadCapture(dir_.File("capture.wav"), &capture));
  EXPECT_EQ(capture.rate, kDeviceRate);
  return capture;
}
