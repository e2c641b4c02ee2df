// What the mixer plays, heard through the wav: capture device and measured.
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
  Wait(1.7);
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
  Wait(1.7);
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
  Wait(0.6);
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
  Wait(0.4);
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
  std::vector<SteadyClock::time_point> changes;
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  const auto played = SteadyClock::now();
  for (const Step& step : steps) {
    buffer->SetVolume(step.volume);
    buffer->SetPan(step.pan);
    changes.push_back(SteadyClock::now());
    Wait(0.25);
  }
  Capture capture = Finish();
  const size_t first = FirstSound(capture);
  auto levels = [&](size_t i) {  // the middle 150 ms of step i
    size_t begin = first + size_t((Seconds(played, changes[i]) + 0.05) * kDeviceRate);
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
  Wait(0.05);
  uint32_t previous = 0;
  buffer->GetCurrentPosition(&previous, nullptr);
  const auto start = SteadyClock::now();
  uint64_t advanced = 0;
  SteadyClock::time_point last = start;
  while (Seconds(start, last) < 4.0) {
    uint32_t cursor = 0;
    buffer->GetCurrentPosition(&cursor, nullptr);
    last = SteadyClock::now();
    uint32_t step = (cursor + size - previous) % size;
    ASSERT_LT(step, size / 2) << "the cursor stepped back from " << previous << " to " << cursor;
    advanced += step;
    previous = cursor;
    Wait(0.02);
  }
  const double expected = double(rate) * 4 * Seconds(start, last);
  EXPECT_NEAR(double(advanced) / expected, 1.0, 0.005);
  RecordProperty("cursor_rate_error", std::to_string(double(advanced) / expected - 1.0));
}

TEST_F(CapturedOutput, PlayStopResumeAndJumpLandOnTheRightFrameInTime) {
  IDirectSoundBuffer* buffer = MakeBuffer(kDeviceRate, 2, CountingFrames(kDeviceRate / 2));
  Wait(0.1);
  const auto played = SteadyClock::now();
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  Wait(0.1);
  const auto stopped = SteadyClock::now();
  buffer->Stop();
  Wait(0.1);
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  Wait(0.1);
  const auto jumped = SteadyClock::now();
  ASSERT_EQ(buffer->SetCurrentPosition(20000 * 4 + 3), DS_OK);
  uint32_t cursor = 0;
  buffer->GetCurrentPosition(&cursor, nullptr);
  EXPECT_EQ(cursor, 20000u * 4) << "a new position reads back at once, in whole frames";
  Wait(0.1);
  Capture capture = Finish();
  const double slack = kPeriodSeconds + 0.002;

  const size_t first = FirstSound(capture);
  EXPECT_EQ(FrameNumber(capture.left[first]), 1);
  // Frame n is heard n frames after the device opened; a mix woken late by
  // the scheduler may take a call up to a period early.
  double delay = Seconds(played, openedAfter_) + double(first) / kDeviceRate;
  EXPECT_GE(delay, -Seconds(openedBefore_, openedAfter_) - kPeriodSeconds);
  EXPECT_LE(delay, slack) << "first sound after Play";
  RecordProperty("play_latency_ms", std::to_string(delay * 1000));

  size_t k = first;
  while (k + 1 < capture.left.size() && capture.left[k + 1] != 0) ++k;
  const int lastBeforeStop = FrameNumber(capture.left[k]);
  EXPECT_NEAR(double(k + 1 - first) / kDeviceRate, Seconds(played, stopped), slack);
  for (++k; k < capture.left.size() && capture.left[k] == 0;) ++k;
  ASSERT_LT(k, capture.left.size());
  EXPECT_EQ(FrameNumber(capture.left[k]), lastBeforeStop + 1) << "resumes at the next frame";
  EXPECT_EQ(FrameNumber(capture.right[k]), -(lastBeforeStop + 1));

  while (k + 1 < capture.left.size() && FrameNumber(capture.left[k + 1]) == FrameNumber(capture.left[k]) + 1) ++k;
  ASSERT_LT(k + 1, capture.left.size());
  EXPECT_EQ(FrameNumber(capture.left[k + 1]), 20001) << "the jump lands on the frame asked for";
  EXPECT_NEAR(double(k + 1 - first) / kDeviceRate, Seconds(played, jumped), slack)
      << "the jump is heard within a period of the call";
}
