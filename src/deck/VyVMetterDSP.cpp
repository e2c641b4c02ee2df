#include "deck/VyVMetterDSP.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "audio/output/OzoDS.h"

namespace {
constexpr uint32_t kScanStep = 10;  // every tenth frame is enough for a meter
constexpr float kFullScale = 255.0f;

// Sample access for the two widths: value, its silence, and the peak-to-peak
// level scaled to 0..255.
template <typename Sample>
struct SampleTraits;
template <>
struct SampleTraits<int16_t> {
  static constexpr int kSilence = 0;
  static int Level(int max, int min) { return (max - min) >> 8; }
};
template <>
struct SampleTraits<uint8_t> {
  static constexpr int kSilence = 128;
  static int Level(int max, int min) { return max - min; }
};

template <typename Sample>
int Read(const uint8_t* at) {
  Sample value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

// The sound buffer's channel mix for each downmix mode.
constexpr uint32_t kChannelMixOf[] = {DSBMIX_NONE, DSBMIX_LEFT, DSBMIX_RIGHT};
}  // namespace

void TVyVMetterDSPTAG::Attach(TOzoSoundBufferTAG* buffer, uint32_t) {
  TOzoSyncGuard lock(*this);
  FrameSize = buffer->GetBlockAlign();
  const uint32_t frames = FrameSize ? buffer->GetSize() / FrameSize : 0;
  const uint32_t tenMs = buffer->GetSampleRate() / 100;
  // Halve while the half still spans 10 ms and the frame count stays whole.
  uint32_t d = frames;
  while (d % 2 == 0 && d / 2 >= tenMs && d / 2 > 0) d /= 2;
  SegmentFrames = std::max<uint32_t>(d, 1);
  SamplesPerSegment = (SegmentFrames + 9) / 10;
  SegmentCount = std::max<uint32_t>(frames / SegmentFrames, 1);
  SegmentBytes = SegmentFrames * FrameSize;
  ReadIndex = 0;
  const bool stereo = buffer->GetChannels() == 2;
  SampleFormat = buffer->GetBitsPerSample() == 16 ? (stereo ? kStereo16 : kMono16) : (stereo ? kStereo8 : kMono8);
  LeftLevels.assign(SegmentCount, 0);
  RightLevels.assign(SegmentCount, 0);
  buffer_ = buffer;
  HandDownmix();  // a file opened with the downmix on is mixed from its first sample
}

void TVyVMetterDSPTAG::Detach() {
  TOzoSyncGuard lock(*this);
  buffer_ = nullptr;
  LeftLevels = {};
  RightLevels = {};
}

// Peak-to-peak levels of every whole segment in the block, from every tenth
// frame; a segment cut by the end of the block is not stored.
template <typename Sample, int Channels>
void TVyVMetterDSPTAG::Measure(const uint8_t* data, uint32_t position, uint32_t size) {
  using Traits = SampleTraits<Sample>;
  const uint32_t frames = size / FrameSize;
  uint32_t segment = position / FrameSize / SegmentFrames;
  uint32_t stored = 0, examined = 0;
  int minimum[2] = {Traits::kSilence, Traits::kSilence}, maximum[2] = {Traits::kSilence, Traits::kSilence};
  for (uint32_t i = 0; i < frames;) {
    for (int c = 0; c < Channels; ++c) {
      int value = Read<Sample>(data + i * FrameSize + c * sizeof(Sample));
      minimum[c] = std::min(minimum[c], value);
      maximum[c] = std::max(maximum[c], value);
    }
    i += kScanStep;
    if (++examined < SamplesPerSegment) continue;
    if (segment < SegmentCount) {
      LeftLevels[segment] = uint8_t(Traits::Level(maximum[0], minimum[0]));
      RightLevels[segment] = uint8_t(Traits::Level(maximum[Channels - 1], minimum[Channels - 1]));
      ++segment;
    }
    i = SegmentFrames * ++stored;
    examined = 0;
    minimum[0] = minimum[1] = maximum[0] = maximum[1] = Traits::kSilence;
  }
}

// The downmix is heard where volume and pan are applied, as the buffer is
// mixed, so a change does not wait for the audio already written to play.
void TVyVMetterDSPTAG::HandDownmix() {
  if (buffer_) buffer_->SetChannelMix(kChannelMixOf[DownmixMode]);
}

void TVyVMetterDSPTAG::Process(void* data, uint32_t, uint32_t position, uint32_t size, uint32_t) {
  TOzoSyncGuard lock(*this);
  if (!buffer_ || FrameSize == 0) return;
  auto* bytes = static_cast<uint8_t*>(data);
  switch (SampleFormat) {
    case kStereo16:
      Measure<int16_t, 2>(bytes, position, size);
      break;
    case kMono16:
      Measure<int16_t, 1>(bytes, position, size);
      break;
    case kStereo8:
      Measure<uint8_t, 2>(bytes, position, size);
      break;
    default:
      Measure<uint8_t, 1>(bytes, position, size);
      break;
  }
}

void TVyVMetterDSPTAG::Restart(uint32_t) {
  TOzoSyncGuard lock(*this);
  ReadIndex = 0;
}

void TVyVMetterDSPTAG::GetLevels(int levels[2]) {
  TOzoSyncGuard lock(*this);
  levels[0] = levels[1] = 0;
  if (!buffer_ || SegmentBytes == 0) return;
  const uint32_t s = std::min(buffer_->GetPlayCursor() / SegmentBytes, SegmentCount - 1);
  uint8_t left = 0, right = 0;
  auto take = [&](uint32_t from, uint32_t to) {  // inclusive
    for (uint32_t i = from; i <= to; ++i) {
      left = std::max(left, LeftLevels[i]);
      right = std::max(right, RightLevels[i]);
    }
  };
  // Each segment is reported once, so a level falls as soon as the loud
  // segments have been heard; with no new segment, the one heard now counts.
  const bool nothingNew = (s + 1) % SegmentCount == ReadIndex;
  if (nothingNew) {
    take(s, s);
  } else if (s >= ReadIndex) {
    take(ReadIndex, s);
  } else {
    take(ReadIndex, SegmentCount - 1);
    take(0, s);
  }
  ReadIndex = (s + 1) % SegmentCount;
  levels[0] = int(std::sqrt(left / kFullScale) * LeftGain);
  levels[1] = int(std::sqrt(right / kFullScale) * RightGain);
}

void TVyVMetterDSPTAG::UpdateGains() {
  if (DownmixSwitch) {
    LeftGain = RightGain = float(Volume * 0.01 * kFullScale);
  } else {
    LeftGain = float(Volume * LeftBalance * 0.0001 * kFullScale);
    RightGain = float(Volume * RightBalance * 0.0001 * kFullScale);
  }
}

void TVyVMetterDSPTAG::VolumeChanged(unsigned volume) {
  TOzoSyncGuard lock(*this);
  Volume = int(volume);
  UpdateGains();
}

void TVyVMetterDSPTAG::PanChanged(int pan) {
  TOzoSyncGuard lock(*this);
  if (pan == 0) {
    LeftBalance = RightBalance = 100;
    DownmixMode = 0;
  } else if (pan > 0) {
    LeftBalance = 100 - pan;
    RightBalance = 100;
    if (DownmixSwitch) DownmixMode = 2;
  } else {
    LeftBalance = 100;
    RightBalance = 100 + pan;
    if (DownmixSwitch) DownmixMode = 1;
  }
  HandDownmix();
  UpdateGains();
}

void TVyVMetterDSPTAG::SetDownmix(bool on) {
  TOzoSyncGuard lock(*this);
  DownmixSwitch = on;
  DownmixMode = 0;
  if (on) DownmixMode = LeftBalance < 100 ? 2 : RightBalance < 100 ? 1 : 0;
  HandDownmix();
}
