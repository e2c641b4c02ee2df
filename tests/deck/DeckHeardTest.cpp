// The whole deck heard through the capture device: pitch, bend, levels, and
// how long a load that plays keeps the window waiting.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include "deck/VySystem.h"
#include "support/AudioAnalysis.h"
#include "support/HeardFrames.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

using namespace std::chrono;

namespace {
constexpr uint32_t kCdRate = 44100;
constexpr uint32_t kDeviceRate = 48000;

void Wait(double seconds) { std::this_thread::sleep_for(duration<double>(seconds)); }

struct HeardDeck : ::testing::Test {
  TempDir dir;
  std::unique_ptr<TVySystemTAG> deck;
  std::string tone;

  void SetUp() override {
    setenv("VYS_AUDIO", ("wav:" + dir.File("capture.wav")).c_str(), 1);
    setenv("VYS_AUDIO_RATE", std::to_string(kDeviceRate).c_str(), 1);
    deck = std::make_unique<TVySystemTAG>();
    std::vector<int16_t> pcm = DitheredSine(1000, kCdRate, 6 * kCdRate, 0.5, 2);
    std::string bytes(pcm.size() * 2, '\0');
    std::memcpy(bytes.data(), pcm.data(), bytes.size());
    tone = dir.File("tone.wav");
    WriteFileBytes(tone, MakeWav({.data = bytes}));
  }
  void TearDown() override {
    deck.reset();
    unsetenv("VYS_AUDIO");
    unsetenv("VYS_AUDIO_RATE");
  }
  Capture Finish() {
    deck.reset();
    Capture capture;
    EXPECT_TRUE(ReadCapture(dir.File("capture.wav"), &capture));
    return capture;
  }
};
}  // namespace

TEST_F(HeardDeck, LoadThatPlaysWaitsOnlyForTheFirstChunkAndPitchIsHeard) {
  deck->NudgePitch(800);
  const auto start = steady_clock::now();
  ASSERT_EQ(deck->OpenFiles(tone, 0), 0);  // plays when opened, by default
  const double loadMs = duration<double, std::milli>(steady_clock::now() - start).count();
  EXPECT_EQ(deck->State, dsPlaying);
  EXPECT_LT(loadMs, 100.0) << "a player cycle or two, not the whole buffer";
  RecordProperty("load_and_play_ms", std::to_string(loadMs));
  Wait(1.7);
  Capture capture = Finish();
  const size_t begin = FirstSound(capture) + kDeviceRate / 10;
  ASSERT_GT(capture.left.size(), begin + 65536);
  EXPECT_NEAR(ZeroCrossingHz(capture.left, begin, begin + 65536, kDeviceRate), 1080.0, 0.1) << "+8.00 %";
}

// Rings of a numbered file come out whole, sample for sample, while the
// player refills them in its long cycles.
TEST_F(HeardDeck, LongPlayIsSampleExactAcrossRefills) {
  const std::string numbered = dir.File("numbered.wav");
  WriteFileBytes(numbered, MakeWav({.rate = kDeviceRate, .data = NumberedFrames(10 * kDeviceRate)}));
  ASSERT_EQ(deck->OpenFiles(numbered, 0), 0);
  Wait(7.5);  // two and a half rings
  EXPECT_GE(RunFromFirstFrame(Finish()), size_t(7.3 * kDeviceRate)) << "from the first frame, no gap and no repeat";
}

TEST_F(HeardDeck, HeldFastBendReachesThreePerCentAfterOneSecond) {
  ASSERT_EQ(deck->OpenFiles(tone, 0), 0);
  Wait(0.3);
  deck->BendFastDown(0);
  Wait(1.05);
  TVyPitchInfo pitch;
  deck->GetPitchInfo(pitch);
  EXPECT_EQ(pitch.Rate, int(kCdRate * 1.03)) << "300 hundredths of a per cent of bend";
  Wait(0.4);  // still held: the bend is capped further on, the tone steady
  deck->BendFastUp();
  Capture capture = Finish();
  const size_t first = FirstSound(capture);
  const size_t late = first + size_t(1.55 * kDeviceRate);  // after a second of bend
  ASSERT_GT(capture.left.size(), late + kDeviceRate / 10);
  EXPECT_GT(ZeroCrossingHz(capture.left, late, late + kDeviceRate / 10, kDeviceRate), 1029.0);
}

TEST_F(HeardDeck, VolumeBalanceAndMuteAreHeard) {
  ASSERT_EQ(deck->OpenFiles(tone, 0), 0);
  struct Step {
    void (*apply)(TVySystemTAG&);
  } steps[] = {
      {[](TVySystemTAG&) {}},
      {[](TVySystemTAG& d) { d.SetVolume(50); }},
      {[](TVySystemTAG& d) { d.SetVolume(100), d.SetBalance(50, false); }},
      {[](TVySystemTAG& d) { d.MuteDown(); }},
  };
  std::vector<steady_clock::time_point> changes;
  const auto played = steady_clock::now();
  for (const Step& step : steps) {
    step.apply(*deck);
    changes.push_back(steady_clock::now());
    Wait(0.3);
  }
  deck->MuteUp();
  Capture capture = Finish();
  const size_t first = FirstSound(capture);
  auto levels = [&](size_t i) {
    size_t begin = first + size_t((duration<double>(changes[i] - played).count() + 0.08) * kDeviceRate);
    size_t end = begin + size_t(0.15 * kDeviceRate);
    return std::pair{Rms(capture.left, begin, end), Rms(capture.right, begin, end)};
  };
  const auto full = levels(0);
  const double half = std::pow(10.0, -13.08 / 20);  // volume 50 on the level curve
  EXPECT_NEAR(levels(1).first / full.first, half, half * 0.01);
  EXPECT_NEAR(levels(2).first / full.first, half, half * 0.01) << "balance to the right lowers the left";
  EXPECT_NEAR(levels(2).second / full.second, 1.0, 0.01);
  EXPECT_EQ(levels(3).first, 0.0) << "mute is silence";
  EXPECT_EQ(levels(3).second, 0.0);
}

// Ramps that add up to a constant: the downmixed side carries exactly that
// constant, the other side nothing.
TEST_F(HeardDeck, DownmixPutsTheMeanOnTheChosenSideAndSilencesTheOther) {
  constexpr int16_t kMean = 10000;
  std::vector<int16_t> pcm;
  for (uint32_t k = 0; k < 3 * kDeviceRate; ++k) {
    const int16_t ramp = int16_t(2 * (k % 4096));
    pcm.push_back(ramp);
    pcm.push_back(int16_t(2 * kMean - ramp));
  }
  std::string bytes(pcm.size() * 2, '\0');
  std::memcpy(bytes.data(), pcm.data(), bytes.size());
  const std::string ramps = dir.File("ramps.wav");
  WriteFileBytes(ramps, MakeWav({.rate = kDeviceRate, .data = bytes}));  // heard sample for sample

  deck->SetBalance(-100, true);
  ASSERT_EQ(deck->OpenFiles(ramps, 0), 0);
  const auto played = steady_clock::now();
  Wait(0.5);
  deck->SetBalance(100, true);
  deck->Seek(0);  // what is already in the ring was mixed for the left
  const double movedAt = duration<double>(steady_clock::now() - played).count();
  Wait(0.5);
  Capture capture = Finish();
  const size_t first = FirstSound(capture);
  auto expectSide = [&](size_t begin, const std::vector<float>& mixed, const std::vector<float>& silent) {
    ASSERT_GT(mixed.size(), begin + kDeviceRate / 5);
    for (size_t k = begin; k < begin + kDeviceRate / 5; ++k) {
      ASSERT_NEAR(mixed[k] * 32768, kMean, 0.5) << "frame " << k;
      ASSERT_EQ(silent[k], 0.0f) << "frame " << k;
    }
  };
  expectSide(first + kDeviceRate / 10, capture.left, capture.right);
  expectSide(first + size_t((movedAt + 0.1) * kDeviceRate), capture.right, capture.left);
}

// Nothing looks at the deck while it plays: the pause must still put the cue
// on the last frame heard, and a CUE return must start there.
TEST_F(HeardDeck, PauseAfterUnpolledPlaySetsTheCueWhereTheSoundStopped) {
  const std::string numbered = dir.File("numbered.wav");
  WriteFileBytes(numbered, MakeWav({.rate = kDeviceRate, .data = NumberedFrames(10 * kDeviceRate)}));
  ASSERT_EQ(deck->OpenFiles(numbered, 0), 0);  // plays
  Wait(1.9);
  deck->PlayPause();
  TVyPlayInfo paused;
  deck->GetPlayInfo(paused);
  Wait(0.2);
  deck->CueDown();  // hold-to-play from the pause
  Wait(0.3);
  deck->CueUp();  // back to the cue
  Wait(0.2);
  deck->CueDown();  // and from the cue again
  Wait(0.3);
  deck->CueUp();
  Capture capture = Finish();

  const size_t first = FirstSound(capture);
  const size_t stopped = first + RunLength(capture, first);
  const uint32_t lastHeard = Heard(capture, stopped - 1);  // frame k carries k + 1: this ends at its number
  EXPECT_NEAR(paused.Time.CuePoint, lastHeard * 1000.0 / kDeviceRate, 5.0) << "the cue is where the sound stopped";
  const size_t held = FirstSound(capture, stopped);
  EXPECT_NEAR(double(Heard(capture, held)), lastHeard + 1.0, kDeviceRate * 0.005) << "hold-to-play goes on from there";
  const size_t replayed = FirstSound(capture, held + RunLength(capture, held));
  ASSERT_LT(replayed, capture.left.size());
  EXPECT_EQ(Heard(capture, replayed), paused.Time.CuePoint * (kDeviceRate / 1000) + 1) << "the CUE return starts on the cue";
}

TEST_F(HeardDeck, HeldMuteCarriesOverANewTrackAndTheMeterReturnsWithTheSound) {
  ASSERT_EQ(deck->OpenFiles(tone + "\n" + tone + "\n", 0), 0);
  Wait(0.3);
  deck->MuteDown();
  ASSERT_EQ(deck->NextTrack(0), 1);
  ASSERT_EQ(deck->State, dsPlaying);
  Wait(0.5);
  deck->SetVolume(50);
  deck->MuteUp();
  Wait(0.3);
  TVyPlayInfo play;
  deck->GetPlayInfo(play);
  EXPECT_GT(play.LevelLeft, 0) << "the meter shows what is heard again";
  EXPECT_GT(play.LevelRight, 0);
  Capture capture = Finish();

  const size_t first = FirstSound(capture);
  const size_t window = kDeviceRate / 100;
  size_t muted = first;
  while (muted + window < capture.left.size() && Rms(capture.left, muted, muted + window) > 0) muted += window;
  const size_t back = FirstSound(capture, muted);
  ASSERT_LT(back, capture.left.size());
  EXPECT_GE(back - muted, size_t(0.45 * kDeviceRate)) << "silent from the press until the release";
}
