// What the mixer plays, heard through the capture device and measured.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "SoundCapture.h"

namespace {
constexpr uint32_t kCdRate = 44100;

// One second of a dithered stereo sine: a whole number of cycles for every
// tone used here, so the looping buffer joins without a click.
std::vector<int16_t> SineSecond(double hz, double amplitude = 0.5) {
  return DitheredSine(hz, kCdRate, kCdRate, amplitude, 2);
}

// Left = frame number + 1, right = its negative: every frame is recognisable.
std::vector<int16_t> CountingFrames(size_t frames) {
  std::vector<int16_t> pcm(2 * frames);
  for (size_t k = 0; k < frames; ++k) {
    pcm[2 * k] = int16_t(k + 1);
    pcm[2 * k + 1] = int16_t(-int(k + 1));
  }
  return pcm;
}

int FrameNumber(float sample) { return int(std::lround(sample * 32768.0f)); }

struct PitchCase {
  double sourceHz;
  uint32_t playRate;
};
}  // namespace

class PitchedTone : public CapturedOutput, public ::testing::WithParamInterface<PitchCase> {};

TEST_P(PitchedTone, ComesOutAtTheNewFrequencyWithEverySpurNinetyDecibelsDown) {
  const PitchCase c = GetParam();
  IDirectSoundBuffer* buffer = MakeBuffer(kCdRate, 2, SineSecond(c.sourceHz));
  ASSERT_EQ(buffer->SetFrequency(c.playRate), DS_OK);
  ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  player_.RunFor(1700);
  Capture capture = Finish();

  const size_t begin = FirstSound(capture) + kDeviceRate / 10;
  ASSERT_GT(capture.left.size(), begin + 65536);
  const double expected = c.sourceHz * c.playRate / kCdRate;
  EXPECT_NEAR(ZeroCrossingHz(capture.left, begin, begin + 65536, kDeviceRate), expected, 0.1);
  for (const char* side : {"left", "right"}) {
    Spectrum spectrum = AnalyseSpectrum(side[0] == 'l' ? capture.left : capture.right, begin, kDeviceRate);
    EXPECT_NEAR(spectrum.peakHz, expected, 1.0);
    EXPECT_LT(spectrum.worstSpurDb, -90.0);
    RecordProperty(std::string("worst_spur_db_") + side, std::to_string(spectrum.worstSpurDb));
  }
}

INSTANTIATE_TEST_SUITE_P(Tones, PitchedTone, ::testing::Values(PitchCase{1000, 47628}, PitchCase{10000, 47628}),
                         [](const ::testing::TestParamInfo<PitchCase>& info) {
                           return std::to_string(int(info.param.sourceHz)) + "HzAt" +
                                  std::to_string(info.param.playRate);
                         });

TEST_F(CapturedOutput, FastPlaybackRemovesWhatWouldFoldBack) {
  std::vector<int16_t> low = DitheredSine(1000, kDeviceRate, kDeviceRate, 0.3, 2);
  std::vector<int16_t> high = DitheredSine(20000, kDeviceRate, kDeviceRate, 0.3, 2);
  for (size_t k = 0; k < low.size(); ++k) low[k] = int16_t(low[k] + high[k]);
  IDirectSoundBuffer* buffer = MakeBuffer(kDeviceRate, 2, low);
  buffer->SetFrequency(72000);  // 20 kHz would come out at 30 kHz and fold back to 18 kHz
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  player_.RunFor(1700);
  Capture capture = Finish();
  const size_t begin = FirstSound(capture) + kDeviceRate / 10;
  ASSERT_GT(capture.left.size(), begin + 65536);
  Spectrum spectrum = AnalyseSpectrum(capture.left, begin, kDeviceRate);
  EXPECT_NEAR(spectrum.peakHz, 1500, 1.0);
  EXPECT_LT(spectrum.worstSpurDb, -90.0);
}

TEST_F(CapturedOutput, HighToneKeepsItsAmplitudeWhenSlowedDown) {
  std::vector<int16_t> sine = SineSecond(15000, 0.5);
  IDirectSoundBuffer* buffer = MakeBuffer(kCdRate, 2, sine);
  buffer->SetFrequency(40572);
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  player_.RunFor(600);
  Capture capture = Finish();
  const size_t begin = FirstSound(capture) + kDeviceRate / 10;
  ASSERT_GT(capture.left.size(), begin + kDeviceRate / 4);
  double source = 0;
  for (size_t k = 0; k < sine.size(); k += 2) source += double(sine[k]) * sine[k];
  source = std::sqrt(source / double(sine.size() / 2)) / 32768.0;
  double heard = Rms(capture.left, begin, begin + kDeviceRate / 4);
  EXPECT_NEAR(20 * std::log10(heard / source), 0.0, 0.2);
}

TEST_F(CapturedOutput, UnityRateIsSampleExact) {
  std::vector<int16_t> pcm = DitheredSine(997, kDeviceRate, kDeviceRate / 2, 0.9, 2);
  pcm[0] = 1234;  // a sound from the first frame on
  IDirectSoundBuffer* buffer = MakeBuffer(kDeviceRate, 2, pcm);
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  player_.RunFor(400);
  Capture capture = Finish();
  const size_t first = FirstSound(capture);
  ASSERT_GT(capture.left.size(), first + kDeviceRate / 4);
  for (size_t k = 0; k < kDeviceRate / 4; ++k) {
    ASSERT_EQ(capture.left[first + k] * 32768.0f, float(pcm[2 * k])) << "frame " << k;
    ASSERT_EQ(capture.right[first + k] * 32768.0f, float(pcm[2 * k + 1])) << "frame " << k;
  }
}

TEST_F(CapturedOutput, VolumeAndPanAttenuateInHundredthsOfADecibel) {
  IDirectSoundBuffer* buffer = MakeBuffer(kDeviceRate, 2, DitheredSine(1000, kDeviceRate, kDeviceRate, 0.5, 2));
  struct Step {
    int32_t volume, pan;
  } steps[] = {{0, 0}, {-1308, 0}, {0, 1308}, {0, -1308}, {-10000, 0}};
  std::vector<size_t> changes;  // capture frames
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  for (const Step& step : steps) {
    buffer->SetVolume(step.volume);
    buffer->SetPan(step.pan);
    changes.push_back(player_.CaptureFrames());
    player_.RunFor(250);
  }
  Capture capture = Finish();
  auto levels = [&](size_t i) {  // the middle 150 ms of step i
    size_t begin = changes[i] + kDeviceRate / 20;
    size_t end = begin + size_t(0.15 * kDeviceRate);
    return std::pair{Rms(capture.left, begin, end), Rms(capture.right, begin, end)};
  };
  const auto full = levels(0);
  const double expected = std::pow(10.0, -13.08 / 20);
  EXPECT_NEAR(levels(1).first / full.first, expected, expected * 0.005);
  EXPECT_NEAR(levels(1).second / full.second, expected, expected * 0.005);
  EXPECT_NEAR(levels(2).first / full.first, expected, expected * 0.005) << "pan right lowers the left";
  EXPECT_NEAR(levels(2).second / full.second, 1.0, 0.005);
  EXPECT_NEAR(levels(3).first / full.first, 1.0, 0.005);
  EXPECT_NEAR(levels(3).second / full.second, expected, expected * 0.005);
  EXPECT_EQ(levels(4).first, 0.0) << "the minimum volume is digital silence";
  EXPECT_EQ(levels(4).second, 0.0);
}

TEST_F(CapturedOutput, CursorAdvancesAtTheBufferRateAndNeverBackwards) {
  IDirectSoundBuffer* buffer = MakeBuffer(kCdRate, 2, SineSecond(1000));
  const uint32_t size = kCdRate * 4, rate = 47628;
  buffer->SetFrequency(rate);
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  player_.RunFor(50);
  uint32_t previous = 0;
  buffer->GetCurrentPosition(&previous, nullptr);
  const size_t start = player_.CaptureFrames();
  uint64_t advanced = 0;
  while (player_.CaptureFrames() - start < 4 * kDeviceRate) {
    player_.RunFor(20);
    uint32_t cursor = 0;
    buffer->GetCurrentPosition(&cursor, nullptr);
    uint32_t step = (cursor + size - previous) % size;
    ASSERT_LT(step, size / 2) << "the cursor stepped back from " << previous << " to " << cursor;
    advanced += step;
    previous = cursor;
  }
  const double expected = double(rate) * 4 * double(player_.CaptureFrames() - start) / kDeviceRate;
  EXPECT_NEAR(double(advanced), expected, 4.0) << "within a frame of what was mixed";
  RecordProperty("cursor_rate_error", std::to_string(double(advanced) / expected - 1.0));
}

// Each call is heard from the first period mixed after it, at the frame it asks for.
TEST_F(CapturedOutput, PlayStopResumeAndJumpLandOnTheRightFrameAtOnce) {
  IDirectSoundBuffer* buffer = MakeBuffer(kDeviceRate, 2, CountingFrames(kDeviceRate / 2));
  player_.RunFor(100);
  const size_t played = player_.CaptureFrames();
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  player_.RunFor(100);
  const size_t stopped = player_.CaptureFrames();
  buffer->Stop();
  player_.RunFor(100);
  const size_t resumed = player_.CaptureFrames();
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  player_.RunFor(100);
  const size_t jumped = player_.CaptureFrames();
  ASSERT_EQ(buffer->SetCurrentPosition(20000 * 4 + 3), DS_OK);
  uint32_t cursor = 0;
  buffer->GetCurrentPosition(&cursor, nullptr);
  EXPECT_EQ(cursor, 20000u * 4) << "a new position reads back at once, in whole frames";
  player_.RunFor(100);
  Capture capture = Finish();

  size_t k = FirstSound(capture);
  EXPECT_EQ(k, played) << "first sound after Play";
  EXPECT_EQ(FrameNumber(capture.left[k]), 1);
  while (k + 1 < capture.left.size() && capture.left[k + 1] != 0) ++k;
  const int lastBeforeStop = FrameNumber(capture.left[k]);
  EXPECT_EQ(k + 1, stopped) << "silent from the period after Stop";
  for (++k; k < capture.left.size() && capture.left[k] == 0;) ++k;
  ASSERT_LT(k, capture.left.size());
  EXPECT_EQ(k, resumed) << "heard again from the period after Play";
  EXPECT_EQ(FrameNumber(capture.left[k]), lastBeforeStop + 1) << "resumes at the next frame";
  EXPECT_EQ(FrameNumber(capture.right[k]), -(lastBeforeStop + 1));

  while (k + 1 < capture.left.size() && FrameNumber(capture.left[k + 1]) == FrameNumber(capture.left[k]) + 1) ++k;
  ASSERT_LT(k + 1, capture.left.size());
  EXPECT_EQ(FrameNumber(capture.left[k + 1]), 20001) << "the jump lands on the frame asked for";
  EXPECT_EQ(k + 1, jumped) << "the jump is heard from the period after the call";
}

// The clock-paced capture, which plays as a sound card does: the one place
// here where the wall clock is what is tested.
class ClockPacedOutput : public CapturedOutput {
 protected:
  ScopedAudioOutput paced_{ScopedAudioOutput::Capture(dir_.File("capture.wav")), kDeviceRate};
};

// Bounds are generous where a loaded machine may starve the mixing thread;
// running ahead of the clock is never allowed.
TEST_F(ClockPacedOutput, PlaysInRealTimeWithinGenerousBounds) {
  constexpr double kStarved = 0.5;
  IDirectSoundBuffer* buffer = MakeBuffer(kDeviceRate, 2, CountingFrames(kDeviceRate / 2));
  Wait(0.2);
  const auto played = SteadyClock::now();
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  Wait(0.8);
  const auto waited = SteadyClock::now();
  Capture capture = Finish();
  const auto closed = SteadyClock::now();

  // A period is mixed no earlier than its time, and a missed one is written
  // as silence: the capture is as long as the device was open.
  const double heard = double(capture.left.size()) / kDeviceRate;
  EXPECT_LE(heard, Seconds(openedBefore_, closed) + kPeriodSeconds) << "ran ahead of the clock";
  EXPECT_GE(heard, Seconds(openedAfter_, waited) - kStarved);

  const size_t first = FirstSound(capture);
  ASSERT_LT(first, capture.left.size());
  EXPECT_EQ(FrameNumber(capture.left[first]), 1);
  // Frame n is heard n frames after the device opened; a mix woken late by
  // the scheduler may take a call up to a period early.
  const double delay = Seconds(played, openedAfter_) + double(first) / kDeviceRate;
  EXPECT_GE(delay, -Seconds(openedBefore_, openedAfter_) - kPeriodSeconds) << "heard before Play";
  EXPECT_LE(delay, kStarved) << "first sound after Play";
  RecordProperty("play_latency_ms", std::to_string(delay * 1000));
}
