// Keylock heard through the capture: the key stays at any rate and through a
// bend, the tempo follows the rate, and a CUE return starts on the cue.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "deck/VySystem.h"
#include "support/AudioAnalysis.h"
#include "support/HeardFrames.h"
#include "support/SteppedDeck.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {
constexpr uint32_t kCdRate = 44100;
constexpr uint32_t kDeviceRate = 48000;
constexpr double kTwoCents = 1.0011559;  // 2^(2/1200)

struct KeylockDeck : ::testing::Test {
  TempDir dir;
  SteppedDeck deck{dir.File("capture.wav"), kDeviceRate};

  void SetUp() override { deck->SetKeylock(true); }
  std::string Write(const std::string& name, uint32_t rate, const std::vector<int16_t>& pcm) {
    WriteFileBytes(dir.File(name), MakeWav({.rate = rate, .data = PcmBytes(pcm)}));
    return dir.File(name);
  }
  size_t Frames(double ms) const { return size_t(ms * kDeviceRate / 1000); }
  size_t Now() { return deck.Player().CaptureFrames(); }
};

void ExpectOneKilohertz(const Capture& capture, size_t begin, size_t end, const char* when) {
  const double hz = ZeroCrossingHz(capture.left, begin, end, kDeviceRate);
  EXPECT_LT(std::max(hz / 1000.0, 1000.0 / hz), kTwoCents) << when << ": " << hz << " Hz";
}

// Capture frames where a click begins: the signal rises above half its peak
// after at least `quietMs` below it.
std::vector<size_t> Onsets(const std::vector<float>& x, size_t from, double quietMs) {
  std::vector<size_t> onsets;
  const size_t quiet = size_t(quietMs * kDeviceRate / 1000);
  size_t last = 0;
  for (size_t k = from; k < x.size(); ++k)
    if (std::abs(x[k]) > 0.25f) {
      if (onsets.empty() || k - last > quiet) onsets.push_back(k);
      last = k;
    }
  return onsets;
}
}  // namespace

TEST_F(KeylockDeck, ToneKeepsItsKeyAtARateAndThroughABend) {
  deck->NudgePitch(800);
  ASSERT_EQ(deck->OpenFiles(Write("tone.wav", kCdRate, DitheredSine(1000, kCdRate, 6 * kCdRate, 0.5, 2)), 0), 0);
  deck.RunFor(1500);
  const size_t pressed = Now();
  deck->BendFastDown(0);  // held: the rate climbs step by step
  deck.RunFor(1000);
  const size_t released = Now();
  deck->BendFastUp();
  deck.RunFor(200);
  Capture capture = deck.Finish();
  ExpectOneKilohertz(capture, pressed - Frames(1000), pressed, "at +8 %");
  ExpectOneKilohertz(capture, pressed + Frames(100), released, "through the bend");
}

// A click every half second of the file comes every 1/1.08 of that at +8 %.
TEST_F(KeylockDeck, ClickTempoFollowsTheRate) {
  std::vector<int16_t> pcm(2 * 6 * kCdRate);
  for (size_t click = 0; click < 12; ++click)
    for (size_t k = 0; k < 64; ++k) pcm[2 * (click * kCdRate / 2 + k)] = pcm[2 * (click * kCdRate / 2 + k) + 1] = 20000;
  deck->NudgePitch(800);
  ASSERT_EQ(deck->OpenFiles(Write("clicks.wav", kCdRate, pcm), 0), 0);
  deck.RunFor(5000);
  const std::vector<size_t> onsets = Onsets(deck.Finish().left, 0, 100);
  ASSERT_GE(onsets.size(), 10u);
  const double spanMs = double(onsets[9] - onsets[1]) * 1000 / kDeviceRate;
  EXPECT_NEAR(spanMs, 8 * 500 / 1.08, 1.0) << "eight intervals of 500 ms at +8 %";
}

// Noise has one place that sounds like any excerpt of it, so the capture
// tells where the CUE return landed in the file.
TEST_F(KeylockDeck, CueReturnIsHeardFromTheCue) {
  std::mt19937 random(11);
  std::uniform_int_distribution<int> sample(-12000, 12000);
  std::vector<int16_t> pcm(2 * 6 * kDeviceRate);
  for (int16_t& s : pcm) s = int16_t(sample(random));
  std::vector<float> source(pcm.size() / 2);
  for (size_t k = 0; k < source.size(); ++k) source[k] = pcm[2 * k] / 32768.0f;
  ASSERT_EQ(deck->OpenFiles(Write("noise.wav", kDeviceRate, pcm), 0), 0);  // plays
  deck.RunFor(1900);
  deck->PlayPause();  // the cue goes where the sound stopped
  TVyPlayInfo paused;
  deck->GetPlayInfo(paused);
  deck.RunFor(200);
  deck->CueDown();
  deck.RunFor(300);
  deck->CueUp();  // back to the cue
  deck.RunFor(200);
  const size_t pressed = Now();
  deck->CueDown();  // and from the cue again
  deck.RunFor(300);
  Capture capture = deck.Finish();

  const size_t heard = FirstSound(capture, pressed);
  const Landing landing = LocateLanding(source, capture.left, heard, paused.Time.CuePoint, kDeviceRate, 50, 100);
  EXPECT_GT(landing.correlation, 0.8);
  EXPECT_NEAR(landing.lateMs, 0.0, 1.0) << "the first sound heard is the cue the display shows";
  EXPECT_LT(double(heard - pressed) * 1000 / kDeviceRate, 30.0) << "and it is heard soon";
}
