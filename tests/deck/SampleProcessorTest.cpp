// The level meter, downmix and end marker, on a sound buffer of the null
// output whose play cursor the tests set by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "audio/output/OzoDS.h"
#include "deck/VyControlDSP.h"
#include "deck/VyVMetterDSP.h"
#include "support/NullOutput.h"

namespace {
struct OnNullOutput : NullOutputDevice {
  void MakeBuffer(uint16_t channels, uint16_t bits, uint32_t rate, uint32_t bytes) {
    uint16_t align = uint16_t(channels * bits / 8);
    TWaveFormatEx format{{WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits}, 0};
    ASSERT_EQ(buffer.CreateSecondary(&device, &format, bytes, kBufferLooping, 0), 0);
  }
};

std::vector<int16_t> Stereo16(size_t frames, int16_t left, int16_t right) {
  std::vector<int16_t> pcm(2 * frames);
  for (size_t k = 0; k < frames; ++k) {
    // A square wave that flips every ten frames, as often as the meter looks.
    const bool high = (k / 10) % 2;
    pcm[2 * k] = int16_t(high ? left : -left);
    pcm[2 * k + 1] = int16_t(high ? right : -right);
  }
  return pcm;
}
}  // namespace

TEST_F(OnNullOutput, MeterCutsTheBufferIntoTenMillisecondSegments) {
  MakeBuffer(2, 16, 44100, 557056);
  TVyVMetterDSPTAG meter;
  meter.Attach(&buffer, 32768);
  EXPECT_EQ(meter.SegmentFrames, 544u);
  EXPECT_EQ(meter.SamplesPerSegment, 55u);
  EXPECT_EQ(meter.SegmentCount, 256u);
  EXPECT_EQ(meter.SampleFormat, TVyVMetterDSPTAG::kStereo16);
  buffer.ReleaseBuffer();

  MakeBuffer(1, 8, 22050, 22051);  // an odd number of frames
  meter.Attach(&buffer, 32768);
  EXPECT_EQ(meter.SegmentCount, 1u);
  EXPECT_EQ(meter.SegmentFrames, 22051u);
}

TEST_F(OnNullOutput, MeterReportsTheSegmentsPlayedSinceTheLastReading) {
  MakeBuffer(2, 16, 44100, 557056);
  TVyVMetterDSPTAG meter;
  meter.Attach(&buffer, 32768);
  meter.VolumeChanged(100);
  meter.PanChanged(0);
  const uint32_t segment = meter.SegmentBytes;
  std::vector<int16_t> quiet = Stereo16(544 * 8, 0, 0);
  std::vector<int16_t> loud = Stereo16(544 * 8, 32767, 8192);  // left full scale, right a quarter
  meter.Process(quiet.data(), 0, 0, segment * 8, segment * 8);
  meter.Process(loud.data(), 0, segment * 8, segment * 8, segment * 8);    // segments 8 .. 15
  meter.Process(loud.data(), 0, segment * 248, segment * 8, segment * 8);  // segments 248 .. 255

  auto levelsAt = [&](uint32_t heardSegment) {
    buffer.SetPlayPosition(segment * heardSegment);
    int levels[2];
    meter.GetLevels(levels);
    return std::pair{levels[0], levels[1]};
  };
  EXPECT_EQ(levelsAt(4), (std::pair{0, 0}));
  EXPECT_EQ(levelsAt(9), (std::pair{255, int(std::sqrt(64 / 255.0) * 255)})) << "left full scale, right a quarter";
  EXPECT_EQ(levelsAt(9).first, 255) << "no new segment: the one heard now";
  EXPECT_EQ(levelsAt(30).first, 255) << "loud segments 10 .. 15 among the new ones";
  EXPECT_EQ(levelsAt(40).first, 0) << "segments reported before are not counted again";
  EXPECT_EQ(levelsAt(2).first, 255) << "wrapped round through 248 .. 255";
}

TEST_F(OnNullOutput, DownmixPutsTheMeanOnOneSideAndSilenceOnTheOther) {
  MakeBuffer(2, 16, 44100, 65536);
  TVyVMetterDSPTAG meter;
  meter.Attach(&buffer, 32768);
  meter.SetDownmix(true);
  meter.PanChanged(-30);  // balance to the left: mix into the left channel
  EXPECT_EQ(buffer.GetChannelMix(), DSBMIX_LEFT) << "mixed as the buffer plays";
  int16_t frames[2] = {1000, -3001};
  meter.Process(frames, 0, 0, sizeof frames, sizeof frames);
  EXPECT_EQ(frames[1], -3001) << "the written samples stay as decoded";
  meter.PanChanged(25);
  EXPECT_EQ(buffer.GetChannelMix(), DSBMIX_RIGHT);
  EXPECT_FLOAT_EQ(meter.LeftGain, 0.0f) << "no volume notified yet";
  meter.VolumeChanged(80);
  EXPECT_FLOAT_EQ(meter.LeftGain, 80 * 0.01f * 255) << "downmix meters both sides at full balance";
  meter.SetDownmix(false);
  meter.VolumeChanged(80);
  EXPECT_FLOAT_EQ(meter.LeftGain, float(80 * 75 * 0.0001 * 255));
  EXPECT_EQ(buffer.GetChannelMix(), DSBMIX_NONE);
}

// A file opened while the downmix is on is mixed from its first sample.
TEST_F(OnNullOutput, NewBufferTakesTheDownmixWhenAttached) {
  MakeBuffer(2, 8, 22050, 65536);
  TVyVMetterDSPTAG meter;
  meter.SetDownmix(true);
  meter.PanChanged(-50);
  meter.Attach(&buffer, 32768);
  EXPECT_EQ(buffer.GetChannelMix(), DSBMIX_LEFT);
}

TEST_F(OnNullOutput, EndIsReportedOnlyInBlocksOfPurePadding) {
  MakeBuffer(2, 16, 44100, 160 * 100);  // 100 blocks of 40 frames
  TVyControlDSPTAG marker;
  marker.Attach(&buffer, 32768);
  ASSERT_EQ(marker.BlockBytes, 160u);
  // A chunk at block 10 whose audio ends 20 bytes into block 12.
  marker.Process(nullptr, 0, 1600, 1600, 340);
  buffer.SetPlayPosition(12 * 160 + 100);
  EXPECT_FALSE(marker.EndReached()) << "block 12 still holds audio";
  buffer.SetPlayPosition(13 * 160);
  EXPECT_TRUE(marker.EndReached());
  buffer.SetPlayPosition(19 * 160 + 159);
  EXPECT_TRUE(marker.EndReached());
  buffer.SetPlayPosition(20 * 160);
  EXPECT_FALSE(marker.EndReached()) << "not written by that chunk";
  marker.Restart(0);
  buffer.SetPlayPosition(13 * 160);
  EXPECT_FALSE(marker.EndReached()) << "marks from before a restart no longer count";
}

TEST_F(OnNullOutput, EndMarkerSurvivesTheWrapOfItsGeneration) {
  MakeBuffer(2, 16, 44100, 160 * 100);
  TVyControlDSPTAG marker;
  marker.Attach(&buffer, 32768);
  marker.Process(nullptr, 0, 0, 1600, 0);  // blocks 0..9 padding at generation 1
  buffer.SetPlayPosition(50 * 160);        // a block never marked
  for (int restart = 1; restart <= 70000; ++restart) {
    marker.Restart(0);
    ASSERT_FALSE(marker.EndReached()) << "unmarked block reads as the end after " << restart;
  }
  buffer.SetPlayPosition(5 * 160);
  EXPECT_FALSE(marker.EndReached()) << "a mark 65,536 restarts old is not the end";
  marker.Process(nullptr, 0, 0, 1600, 0);
  EXPECT_TRUE(marker.EndReached()) << "marks of the current generation still count";
}

TEST_F(OnNullOutput, DetachedProcessorsReportNothing) {
  TVyVMetterDSPTAG meter;
  TVyControlDSPTAG marker;
  int levels[2] = {7, 7};
  meter.GetLevels(levels);
  EXPECT_EQ(levels[0], 0);
  EXPECT_EQ(levels[1], 0);
  EXPECT_FALSE(marker.EndReached());
}
