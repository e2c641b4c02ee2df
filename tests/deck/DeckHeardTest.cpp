// The whole deck heard through the capture device, its player cycles run in
// step with a capture mixed on demand: pitch, bend, levels, downmix, CUE and
// mute known to the frame, whatever the load. One test runs the real player
// thread in real time: that a load that plays starts at once and is kept fed.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "deck/VySystem.h"
#include "support/AudioAnalysis.h"
#include "support/AudioOutput.h"
#include "support/HeardFrames.h"
#include "support/SteppedDeck.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

using namespace std::chrono;

namespace {
constexpr uint32_t kCdRate = 44100;
constexpr uint32_t kDeviceRate = 48000;

struct DeckFiles : ::testing::Test {
  TempDir dir;

  std::string WriteStereo(const std::string& name, uint32_t rate, const std::vector<int16_t>& pcm) {
    WriteFileBytes(dir.File(name), MakeWav({.rate = rate, .data = PcmBytes(pcm)}));
    return dir.File(name);
  }
  std::string Tone() { return WriteStereo("tone.wav", kCdRate, DitheredSine(1000, kCdRate, 6 * kCdRate, 0.5, 2)); }
};

// The deck's own player thread, against the clock.
struct ThreadedDeck : DeckFiles {
  ScopedAudioOutput audio{ScopedAudioOutput::Capture(dir.File("capture.wav")), kDeviceRate};
};

// The deck run period by period.
struct HeardDeck : DeckFiles {
  SteppedDeck deck{dir.File("capture.wav"), kDeviceRate};
  std::string tone = Tone();

  size_t Frames(double ms) const { return size_t(ms * kDeviceRate / 1000); }
  size_t Now() { return deck.Player().CaptureFrames(); }
};
}  // namespace

// The window waits for the first chunk only, and the thread then keeps the
// ring fed in its own time: a numbered file is heard whole past its first ring.
TEST_F(ThreadedDeck, RealPlayerThreadStartsALoadThatPlaysAtOnceAndKeepsItFed) {
  auto deck = std::make_unique<TVySystemTAG>();
  const std::string numbered = dir.File("numbered.wav");
  WriteFileBytes(numbered, MakeWav({.rate = kDeviceRate, .data = NumberedFrames(10 * kDeviceRate)}));
  const auto start = steady_clock::now();
  ASSERT_EQ(deck->OpenFiles(numbered, 0), 0);  // plays when opened, by default
  const double loadMs = duration<double, std::milli>(steady_clock::now() - start).count();
  EXPECT_EQ(deck->State, dsPlaying);
  EXPECT_LT(loadMs, 100.0) << "a player cycle or two, not the whole buffer";
  RecordProperty("load_and_play_ms", std::to_string(loadMs));
  const size_t pastTheRing = kDeviceRate * 7 / 2;  // the ring holds three seconds
  Capture capture;
  EXPECT_TRUE(WaitUntil([&] {
    return ReadCapture(dir.File("capture.wav"), &capture) && capture.left.size() > FirstSound(capture) + pastTheRing;
  }));
  deck.reset();
  ASSERT_TRUE(ReadCapture(dir.File("capture.wav"), &capture));
  EXPECT_GE(RunFromFirstFrame(capture), pastTheRing) << "from the first frame, no gap and no repeat";
}

TEST_F(HeardDeck, NudgedPitchIsHeard) {
  deck->NudgePitch(800);
  ASSERT_EQ(deck->OpenFiles(tone, 0), 0);
  deck.RunFor(1500);
  Capture capture = deck.Finish();
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
  deck.RunFor(7500);  // two and a half rings
  const size_t mixed = Now();
  EXPECT_EQ(RunFromFirstFrame(deck.Finish()), mixed) << "every frame mixed: from the first, no gap and no repeat";
}

// The bend is timed by the deck's counter, which runs with the sound: a
// second of it held gives six steps, and cycles with no time between them
// give none.
TEST_F(HeardDeck, HeldFastBendReachesThreePerCentAfterOneSecond) {
  ASSERT_EQ(deck->OpenFiles(tone, 0), 0);
  deck.RunFor(300);
  deck->BendFastDown(0);
  deck.RunFor(1000);
  auto rate = [&] {
    TVyPitchInfo pitch;
    deck->GetPitchInfo(pitch);
    return pitch.Rate;
  };
  const int bent = int(kCdRate * 1.03);  // 300 hundredths of a per cent
  EXPECT_EQ(rate(), bent);
  for (int cycle = 0; cycle < 20; ++cycle) deck->Tick();  // still held, no time passing
  EXPECT_EQ(rate(), bent) << "no further step";
  const size_t released = Now();
  deck->BendFastUp();
  deck.RunFor(300);
  Capture capture = deck.Finish();
  const size_t bentFor = Frames(80);  // the sixth step came by 900 ms
  EXPECT_NEAR(ZeroCrossingHz(capture.left, released - bentFor, released, kDeviceRate), 1030.0, 0.5)
      << "the tone rose by 3 %";
  EXPECT_NEAR(ZeroCrossingHz(capture.left, released + Frames(20), released + Frames(200), kDeviceRate), 1000.0, 0.5)
      << "and is back at the release";
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
  std::vector<size_t> changes;  // capture frames
  for (const Step& step : steps) {
    step.apply(*deck);
    changes.push_back(Now());
    deck.RunFor(300);
  }
  deck->MuteUp();
  Capture capture = deck.Finish();
  auto levels = [&](size_t i) {
    size_t begin = changes[i] + Frames(80);
    size_t end = begin + Frames(150);
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

// Left and right differ, but their mean counts the frames, so the capture
// tells for every frame heard which frame of the file it was and where the
// downmix stood. Each switch must be heard within 50 ms of the play position
// at the moment it was made, the file going on frame after frame through it.
TEST_F(HeardDeck, DownmixSwitchIsHeardAtOnceWithoutGapOrRepeat) {
  auto count = [](size_t k) { return int(1 + k % 24000); };  // never silent
  auto spread = [](size_t k) { return k % 2 ? 8192 : -8192; };
  std::vector<int16_t> pcm;
  for (size_t k = 0; k < 3 * kDeviceRate; ++k)
    pcm.insert(pcm.end(), {int16_t(count(k) + spread(k)), int16_t(count(k) - spread(k))});
  deck->SetBalance(-100, true);
  ASSERT_EQ(deck->OpenFiles(WriteStereo("counted.wav", kDeviceRate, pcm), 0), 0);  // heard sample for sample
  std::vector<size_t> switchedAt;  // the file frame playing when each switch was made
  for (auto [balance, downmix] : {std::pair{100, true}, {0, false}, {-100, true}}) {
    deck.RunFor(300);
    TVyPlayInfo info;
    deck->GetPlayInfo(info);
    switchedAt.push_back(info.Time.PositionBytes / 4);
    deck->SetBalance(balance, downmix);
  }
  deck.RunFor(300);
  Capture capture = deck.Finish();

  const size_t first = FirstSound(capture), frames = switchedAt.back() + kDeviceRate / 5;
  ASSERT_GT(capture.left.size(), first + frames);
  std::string sides;         // 'L' or 'R' for the mean on one side, 'B' for both channels as they are
  std::vector<size_t> from;  // the frame each began at
  size_t between = 0, silent = 0, longestSilence = 0;
  for (size_t k = 0; k < frames; ++k) {
    const float l = capture.left[first + k] * 32768, r = capture.right[first + k] * 32768;
    auto is = [&](int left, int right) { return std::abs(l - left) < 0.01f && std::abs(r - right) < 0.01f; };
    const int c = count(k), d = spread(k);
    const char side = is(c, 0) ? 'L' : is(0, c) ? 'R' : is(c + d, c - d) ? 'B' : '-';
    if (side == '-') ++between;
    if (side != '-' && (sides.empty() || sides.back() != side)) sides += side, from.push_back(k);
    silent = l == 0 && r == 0 ? silent + 1 : 0;
    longestSilence = std::max(longestSilence, silent);
  }
  ASSERT_EQ(sides, "LRBL") << "the file frame after frame, as the downmix stood";
  EXPECT_EQ(from[0], 0u) << "a file opened with the downmix on is mixed from its first frame";
  EXPECT_LE(between, 3 * kDeviceRate / 50) << "a short ramp at each switch";
  EXPECT_LE(longestSilence, kDeviceRate / 1000) << "no gap at a switch";
  for (size_t j = 0; j < 3; ++j) {
    const double heardAfterMs = (double(from[j + 1]) - double(switchedAt[j])) * 1000.0 / kDeviceRate;
    EXPECT_LT(heardAfterMs, 50.0) << "switch " << j;
    RecordProperty("switch_" + std::to_string(j) + "_heard_after_ms", std::to_string(heardAfterMs));
  }
}

// Nothing looks at the deck while it plays: the pause must still put the cue
// on the last frame heard, and a CUE return must start there.
TEST_F(HeardDeck, PauseAfterUnpolledPlaySetsTheCueWhereTheSoundStopped) {
  const std::string numbered = dir.File("numbered.wav");
  WriteFileBytes(numbered, MakeWav({.rate = kDeviceRate, .data = NumberedFrames(10 * kDeviceRate)}));
  ASSERT_EQ(deck->OpenFiles(numbered, 0), 0);  // plays
  deck.RunFor(1900);
  deck->PlayPause();
  TVyPlayInfo paused;
  deck->GetPlayInfo(paused);
  deck.RunFor(200);
  deck->CueDown();  // hold-to-play from the pause
  deck.RunFor(300);
  deck->CueUp();  // back to the cue
  deck.RunFor(200);
  deck->CueDown();  // and from the cue again
  deck.RunFor(300);
  deck->CueUp();
  Capture capture = deck.Finish();

  const size_t first = FirstSound(capture);
  const size_t stopped = first + RunLength(capture, first);
  const uint32_t lastHeard = Heard(capture, stopped - 1);  // frame k carries k + 1: this ends at its number
  EXPECT_NEAR(paused.Time.CuePoint, lastHeard * 1000.0 / kDeviceRate, 5.0) << "the cue is where the sound stopped";
  const size_t held = FirstSound(capture, stopped);
  EXPECT_NEAR(double(Heard(capture, held)), lastHeard + 1.0, kDeviceRate * 0.005) << "hold-to-play goes on from there";
  const size_t replayed = FirstSound(capture, held + RunLength(capture, held));
  ASSERT_LT(replayed, capture.left.size());
  EXPECT_EQ(Heard(capture, replayed), paused.Time.CuePoint * (kDeviceRate / 1000) + 1)
      << "the CUE return starts on the cue";
}

TEST_F(HeardDeck, HeldMuteCarriesOverANewTrack) {
  ASSERT_EQ(deck->OpenFiles(tone + "\n" + tone + "\n", 0), 0);
  deck.RunFor(300);
  const size_t pressed = Now();
  deck->MuteDown();
  ASSERT_EQ(deck->NextTrack(0), 1);
  ASSERT_EQ(deck->State, dsPlaying);
  deck.RunFor(500);
  const size_t released = Now();
  deck->MuteUp();
  deck.RunFor(300);
  Capture capture = deck.Finish();

  EXPECT_GT(Rms(capture.left, pressed - Frames(50), pressed), 0.3) << "heard until the press";
  EXPECT_EQ(FirstSound(capture, pressed), released) << "silent from the press until the release";
  EXPECT_GT(Rms(capture.left, released, released + Frames(50)), 0.3) << "the new track is heard after it";
}
