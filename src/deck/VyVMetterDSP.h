// The level meter and downmix: VU levels per segment of the output buffer,
// read back where the play position is, and the stereo-to-one-side mix that
// the attached sound buffer applies as it plays.
#pragma once
#include <cstdint>
#include <vector>

#include "audio/output/VyDSP.h"

class TVyVMetterDSPTAG : public TDSPTAG {
 public:
  enum TSampleFormat { kMono8 = 0, kStereo8 = 1, kMono16 = 2, kStereo16 = 3 };

  void Attach(TOzoSoundBufferTAG* buffer, uint32_t chunkBytes) override;
  void Detach() override;
  void Process(void* data, uint32_t reserved, uint32_t position, uint32_t size, uint32_t validBytes) override;
  uint32_t Capabilities() override { return kDspWantsVolume | kDspWantsPan | kDspWantsRestart; }
  void Restart(uint32_t ms) override;
  void VolumeChanged(unsigned volume) override;
  void PanChanged(int pan) override;

  void SetDownmix(bool on);
  // Levels 0..255 of what was heard since the last call, left and right.
  void GetLevels(int levels[2]);

  uint32_t SegmentBytes = 0;
  uint32_t SegmentCount = 0;
  uint32_t SegmentFrames = 0;
  uint32_t SamplesPerSegment = 0;
  std::vector<uint8_t> LeftLevels, RightLevels;
  uint32_t ReadIndex = 0;  // first segment not yet reported
  int DownmixMode = 0;     // 0 none, 1 into the left channel, 2 into the right
  int DownmixSwitch = 0;
  int SampleFormat = kMono8;
  uint32_t FrameSize = 0;
  int Volume = 0;
  int LeftBalance = 100, RightBalance = 100;
  float LeftGain = 0, RightGain = 0;

 private:
  template <typename Sample, int Channels>
  void Measure(const uint8_t* data, uint32_t position, uint32_t size);
  void HandDownmix();
  void UpdateGains();

  TOzoSoundBufferTAG* buffer_ = nullptr;
};
