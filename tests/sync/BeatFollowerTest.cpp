// Beat sync on a stepped clock: periods of a 48-kHz output mixed one after
// another, the track's frames moved on at the rate each period was given,
// the session a straight line of beats.
#include "sync/BeatFollower.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>

#include "sync/HostTimeFilter.h"

namespace {
constexpr uint32_t kDeviceRate = 48000, kPeriod = 256;
constexpr double kPeriodMicros = kPeriod * 1e6 / kDeviceRate;
const TTrackGrid kTrack{124.0, 0.3, 44100.0};

struct SteppedSync {
  TLinkTimeline session{128.0, 4.0, 0, 0.0};
  TBeatFollower follower;
  double frame = 0;  // the track frame the next period starts from
  int64_t period = 0;
  double bend = 1.0;
  bool seeked = false;
  bool keylocked = false;
  TVoicePlan last;

  int64_t HeardMicros() const { return std::llround(period * kPeriodMicros); }
  // Mixes one period: what it holds silent is not played, what it skips is.
  void Step() {
    TBeatFollowerInput in{{double(period * kPeriod), kPeriod, kDeviceRate, 0, frame, true, std::exchange(seeked, false),
                           keylocked},
                          HeardMicros(), session, kTrack, bend, 0.08};
    last = follower.Plan(in);
    const double played = kPeriod - std::min(last.holdFrames, kPeriod) + last.skipFrames;
    frame += played * (last.frequency > 0 ? last.frequency : kTrack.sampleRate) / kDeviceRate;
    ++period;
  }
  // The track's beat behind (-) or ahead of the session's where the next period is heard, in ms.
  double ApartMs() const {
    const double beats = kTrack.BeatAt(frame) - session.BeatAt(HeardMicros());
    return (beats - std::round(beats)) * 60000.0 / session.tempoBpm;
  }
};
}  // namespace

TEST(BeatFollower, PhaseErrorFallsAwayWithinTheSpeedBoundAndNeverOvershootsAMillisecond) {
  for (const double startMs : {25.0, -25.0, 0.4}) {
    SteppedSync sync;
    sync.frame = kTrack.firstBeatSeconds * kTrack.sampleRate + startMs / 1000.0 * kTrack.sampleRate * 128.0 / 124.0;
    const double target = 128.0 / 124.0 * kTrack.sampleRate;
    for (int k = 0; k < 60 * kDeviceRate / kPeriod; ++k) {
      const double before = sync.ApartMs();
      sync.Step();
      ASSERT_LE(std::abs(sync.last.frequency / target - 1.0), TPhaseController::kMaxCorrection + 1e-12) << k;
      ASSERT_GE(sync.ApartMs() * std::copysign(1.0, startMs), -1.0) << "overshoot at period " << k;
      // Heard times are whole microseconds: the error may wander within one.
      ASSERT_LE(std::abs(sync.ApartMs()), std::abs(before) + 1e-3) << "the error grew at period " << k;
    }
    EXPECT_LT(std::abs(sync.ApartMs()), 0.01) << startMs;
  }
  // Through keylock the tempo alone moves, by up to 1 %: 20 ms made up
  // within 5 s (more than 20 s at 0.1 %).
  SteppedSync keylocked;
  keylocked.keylocked = true;
  keylocked.frame = (kTrack.firstBeatSeconds - 0.020 * 128.0 / 124.0) * kTrack.sampleRate;
  for (int k = 0; k < 5 * kDeviceRate / kPeriod; ++k) keylocked.Step();
  EXPECT_LT(std::abs(keylocked.ApartMs()), 0.1);
}

TEST(BeatFollower, ASessionTempoBeyondThePitchRangeIsRefused) {
  EXPECT_EQ(SyncRefusal(132.0, 124.0, 0.08), "");
  EXPECT_EQ(SyncRefusal(140.0, 124.0, 0.08), "Sync refused: 140.0 BPM needs +12.9 %, beyond the pitch range of 8 %");
  SteppedSync sync;
  sync.session.tempoBpm = 100.0;
  sync.Step();
  EXPECT_TRUE(sync.follower.OutOfRange());
  EXPECT_EQ(sync.last.frequency, 0.0) << "the deck keeps its own rate";
}

// Cued on the track's first beat (bar 1), or on its third, while the
// session stands 1.3 beats into a bar: the first sound is heard on the
// session's next bar line, or on its next third beat.
TEST(BeatFollower, AQuantizedStartIsHeardWhereTheSessionsBarStandsAsTheTracks) {
  for (const auto [cueBeat, startBeat] : {std::pair{0.0, 4.0}, std::pair{2.0, 2.0}}) {
    SteppedSync sync;
    sync.session.beatAtOrigin = 1.3;
    sync.frame = (kTrack.firstBeatSeconds + cueBeat * 60.0 / kTrack.bpm) * kTrack.sampleRate;
    sync.follower.ArmStart();
    do sync.Step();
    while (sync.last.holdFrames >= kPeriod);
    const int64_t heard = sync.HeardMicros() - std::llround(kPeriodMicros) +
                          std::llround(sync.last.holdFrames * 1e6 / kDeviceRate);
    EXPECT_NEAR(sync.session.BeatAt(heard), startBeat, 1e-3 * 128.0 / 60.0) << "within 1 ms";
  }
}

// A jump while playing (to 37.4 beats on) waits for the session's next beat
// whose phase is the new position's, keeping the bar the DJ chose.
TEST(BeatFollower, AJumpWhilePlayingIsHeardOnTheSessionsBeat) {
  SteppedSync sync;
  sync.frame = kTrack.firstBeatSeconds * kTrack.sampleRate;
  for (int k = 0; k < 100; ++k) sync.Step();
  sync.frame += 37.4 * 60.0 / kTrack.bpm * kTrack.sampleRate;
  sync.seeked = true;
  sync.Step();
  ASSERT_GT(sync.last.holdFrames, 0u);
  while (sync.last.holdFrames >= kPeriod) sync.Step();
  EXPECT_NEAR(sync.ApartMs(), 0.0, 0.05);
  EXPECT_LT(sync.period * kPeriodMicros, 101 * kPeriodMicros + 60e6 / 128.0) << "within a beat";
}

// The output plays two periods without the deck (an overrun): their sound
// is lost, and the deck skips it at once instead of lagging for seconds at
// the speed bound. Through keylock the correction makes it up.
TEST(BeatFollower, PeriodsTheOutputPlayedWithoutTheDeckAreSkippedAtOnce) {
  for (const bool keylocked : {false, true}) {
    SteppedSync sync;
    sync.keylocked = keylocked;
    sync.frame = kTrack.firstBeatSeconds * kTrack.sampleRate;
    for (int k = 0; k < 100; ++k) sync.Step();
    sync.period += 2;
    sync.Step();
    EXPECT_EQ(sync.last.skipFrames, keylocked ? 0 : 2 * kPeriod);
    if (!keylocked) {
      EXPECT_NEAR(sync.ApartMs(), 0.0, 0.01);
    }
  }
}

// A bend moves the track's beats off the session's; once released, the deck
// keeps them where the bend left them instead of pulling them back.
TEST(BeatFollower, AfterABendTheDeckHoldsTheNewPhase) {
  SteppedSync sync;
  sync.frame = kTrack.firstBeatSeconds * kTrack.sampleRate;
  sync.bend = 1.02;
  for (int k = 0; k < 100; ++k) sync.Step();
  const double bent = sync.ApartMs();
  ASSERT_GT(bent, 5.0);
  sync.bend = 1.0;
  for (int k = 0; k < 2000; ++k) sync.Step();
  // The phase is taken as the last bent period starts: that period's bend aside.
  const double lastBentPeriodMs = 0.02 * kPeriodMicros / 1000.0;
  EXPECT_NEAR(sync.ApartMs(), bent - lastBentPeriodMs, 0.01);
}

// Callbacks wake up to half a millisecond late at random; the fitted time of each period
// stays on the output's clock, which runs 30 ppm fast against the session's.
TEST(HostTimeFilter, HeardTimesFollowTheOutputClockThroughWakeUpJitter) {
  THostTimeFilter filter;
  std::mt19937 random(5);
  std::uniform_real_distribution<double> late(0.0, 500.0);
  double worst = 0;
  const double microsPerFrame = 1e6 / kDeviceRate * (1.0 - 30e-6);
  for (int k = 0; k < 100000; ++k) {
    const double frame = double(k) * kPeriod, truth = 5e11 + frame * microsPerFrame;
    const double fitted = filter.Add(frame, truth + late(random));
    if (k > THostTimeFilter::kPoints) worst = std::max(worst, std::abs(fitted - (truth + 250.0)));
  }
  EXPECT_LT(worst, 100.0) << "µs off the clock's line (the mean lateness aside)";
}
