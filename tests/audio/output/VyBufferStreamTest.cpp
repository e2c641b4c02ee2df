// The streaming buffer heard through the wav: capture device.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "BufferFixture.h"
#include "deck/VyControlDSP.h"
#include "deck/VyVMetterDSP.h"
#include "platform/sound/PacedBackend.h"
#include "support/AudioAnalysis.h"
#include "support/AudioOutput.h"
#include "support/HeardFrames.h"

using namespace std::chrono;
using namespace std::chrono_literals;

namespace {
constexpr uint32_t kRate = 48000;

struct HeardStream : StreamingBuffer {
  void SetUp() override { OpenOutput(""); }
  Capture Finish() {
    StopRefills();
    buffer_.Release();
    device_.Close();
    Capture capture;
    EXPECT_TRUE(ReadCapture(CapturePath(), &capture));
    return capture;
  }
  void LoadNumbered(uint32_t seconds) { Load({.rate = kRate, .data = NumberedFrames(seconds * kRate)}); }
};

struct SteppedStream : HeardStream {
  void SetUp() override { OpenOutput("steps"); }
};
}  // namespace

// The capture is mixed a period at a time with a refill between, as a card
// and the player would: ten seconds are heard at once, whatever the load.
TEST_F(SteppedStream, TenSecondsComeOutSampleExactAcrossEveryWrapOfTheRing) {
  LoadNumbered(12);
  buffer_.RequestRestart(0, 1);
  for (uint32_t period = 0; period <= 10 * kRate / PacedBackend::kCapturePeriodFrames; ++period) {
    buffer_.Refill();
    ASSERT_TRUE(PacedBackend::MixCapturedPeriods(1));
  }
  EXPECT_GE(RunFromFirstFrame(Finish()), size_t(10 * kRate)) << "every frame, in order, for ten seconds";
}

TEST_F(HeardStream, RestartContinuesAtTheRequestedPositionOnceItsFirstChunkIsIn) {
  LoadNumbered(4);
  StartRefills();
  buffer_.RequestRestart(0, 1);
  Wait(0.3);
  buffer_.RequestRestart(2000, 1);
  buffer_.WaitRestarted();
  buffer_.Enter();
  EXPECT_FALSE(buffer_.RestartPending);
  EXPECT_GE(buffer_.WriteCursor, config_.chunkBytes) << "the first chunk is in place";
  buffer_.Leave();
  Wait(0.3);
  Capture capture = Finish();

  const size_t first = FirstSound(capture);
  size_t jump = first + RunLength(capture, first);
  jump = FirstSound(capture, jump);
  ASSERT_LT(jump, capture.left.size());
  EXPECT_EQ(Heard(capture, jump), 2 * kRate + 1) << "frame 96000 of the file, no skip for WAV";
  EXPECT_GE(RunLength(capture, jump), size_t(kRate / 5));
}

// The player waits out the silence without the lock: another thread takes it
// at once meanwhile.
TEST_F(HeardStream, HeldLoopRepeatsTwoHundredMillisecondsWithFiftyOfSilence) {
  LoadNumbered(4);
  StartRefills();
  buffer_.RequestRestart(0, 1);
  Wait(0.2);
  buffer_.HoldLoop(1000);
  std::vector<double> pausedWaitsMs;
  for (auto until = steady_clock::now() + 1200ms; steady_clock::now() < until; Wait(0.0005)) {
    const auto asked = steady_clock::now();
    buffer_.Enter();
    const double waitedMs = duration<double, std::milli>(steady_clock::now() - asked).count();
    if (buffer_.LoopPaused) pausedWaitsMs.push_back(waitedMs);
    buffer_.Leave();
  }
  buffer_.ReleaseLoop();
  Wait(0.6);
  Capture capture = Finish();

  size_t at = FirstSound(capture);
  at = FirstSound(capture, at + RunLength(capture, at));  // past the plain start
  int passes = 0;
  bool released = false;
  while (!released && at < capture.left.size() && Heard(capture, at) == kRate + 1) {
    const size_t run = RunLength(capture, at);
    const size_t next = FirstSound(capture, at + run);
    ASSERT_LT(next, capture.left.size());
    ASSERT_EQ(Heard(capture, next), kRate + 1) << "every pass starts at the loop start";
    const double heardMs = run * 1000.0 / kRate, silentMs = (next - at - run) * 1000.0 / kRate;
    released = silentMs == 0;  // the release jumps back at once, mid-pass
    if (released) {
      EXPECT_GE(RunLength(capture, next), size_t(kRate / 2)) << "released: plays on from the loop start";
    } else {
      ++passes;
      EXPECT_GE(heardMs, 200.0) << "pass " << passes;
      EXPECT_LE(heardMs, 200.0 + 20 + 12) << "pass " << passes << ": a refill period and a bit late at most";
      EXPECT_NEAR(silentMs, 50.0, 6.0) << "pass " << passes;
    }
    at = next;
  }
  EXPECT_TRUE(released);
  EXPECT_GE(passes, 3);
  ASSERT_GE(pausedWaitsMs.size(), 10u) << "the pauses are seen from outside";
  std::nth_element(pausedWaitsMs.begin(), pausedWaitsMs.begin() + pausedWaitsMs.size() / 2, pausedWaitsMs.end());
  EXPECT_LT(pausedWaitsMs[pausedWaitsMs.size() / 2], 1.0) << "the lock is free during the pause";
}

TEST_F(SteppedStream, LevelsRiseAndFallWhereTheToneIsHeard) {
  std::string pcm(size_t(3 * kRate) * 4, '\0');
  std::vector<int16_t> tone = DitheredSine(1000, kRate, kRate, 1.0, 2);
  std::memcpy(&pcm[size_t(kRate) * 4], tone.data(), tone.size() * 2);
  Load({.rate = kRate, .data = pcm});
  TVyVMetterDSPTAG meter;
  buffer_.AddProcessor(&meter);
  ASSERT_EQ(buffer_.Configure(&device_, &decoder_.Format, &config_, ringBytes_), 0);
  buffer_.RequestRestart(0, 1);
  struct Reading {
    double heardSeconds;
    int level;
  };
  std::vector<Reading> readings;
  for (int i = 0; i < 80; ++i) {  // every 37 ms (seven periods), as the display does
    for (int period = 0; period < 7; ++period) {
      buffer_.Refill();
      ASSERT_TRUE(PacedBackend::MixCapturedPeriods(1));
    }
    int levels[2];
    meter.GetLevels(levels);
    readings.push_back({buffer_.GetPlayCursor() / (4.0 * kRate), std::max(levels[0], levels[1])});
  }
  Finish();
  double rise = -1, fall = -1;
  for (const Reading& r : readings) {
    if (rise < 0 && r.level > 128) rise = r.heardSeconds;
    if (rise >= 0 && fall < 0 && r.level < 16) fall = r.heardSeconds;
    if (rise < 0) {
      EXPECT_LT(r.level, 16) << "at " << r.heardSeconds;
    } else if (fall < 0) {
      EXPECT_GT(r.level, 200) << "at " << r.heardSeconds;
    }
  }
  EXPECT_NEAR(rise, 1.0, 0.06 + 0.037);
  EXPECT_NEAR(fall, 2.0, 0.06 + 0.037);
  RecordProperty("rise_ms_after_heard", std::to_string((rise - 1.0) * 1000));
  RecordProperty("fall_ms_after_heard", std::to_string((fall - 2.0) * 1000));
}

TEST_F(HeardStream, EndIsReachedInTheFirstBlockPastTheLastHeardFrameEvenAfterManyRestarts) {
  const uint32_t audioBytes = 96000 + 3 * 128;  // not a whole number of 40-frame blocks
  Load({.rate = kRate, .data = PatternBytes(audioBytes)});
  TVyControlDSPTAG marker;
  buffer_.AddProcessor(&marker);
  ASSERT_EQ(buffer_.Configure(&device_, &decoder_.Format, &config_, ringBytes_), 0);
  for (int restart = 0; restart < 3000; ++restart) {
    buffer_.RequestRestart(0, 0);
    buffer_.Refill();
  }
  StartRefills();
  buffer_.RequestRestart(0, 1);
  buffer_.WaitRestarted();
  const uint32_t firstPaddingBlock = (audioBytes + 159) / 160 * 160;
  uint32_t before = 0, at = 0;
  for (auto start = steady_clock::now(); steady_clock::now() - start < 1s;) {
    const uint32_t cursor = buffer_.GetPlayCursor();
    if (marker.EndReached()) {
      at = cursor;
      break;
    }
    before = cursor;
    std::this_thread::sleep_for(1ms);
  }
  Finish();
  RecordProperty("end_reported_bytes_past_audio", std::to_string(int(at) - int(audioBytes)));
  EXPECT_LT(before, firstPaddingBlock) << "not reported while audio was heard";
  EXPECT_GE(at, firstPaddingBlock);
  EXPECT_LT(at, firstPaddingBlock + 160 + 256 * 4) << "within a block, plus the cursor's step of one period";
}
