#include "deck/VyPitch.h"

#include <gtest/gtest.h>

#include <climits>

namespace {
constexpr int64_t kNanosPerSecond = 1000000000;

// Counter in nanoseconds that moves only when the test says so.
class PitchTest : public testing::Test {
 protected:
  void AdvanceUs(int64_t us) { now_ += us * 1000; }
  // One player cycle of cycleMs, then the controller's tick.
  void Cycle(int64_t cycleMs) {
    AdvanceUs(cycleMs * 1000);
    pitch.BendTick();
  }
  void HoldFor(int64_t ms, int64_t cycleMs = 20) {
    for (int64_t t = 0; t < ms; t += cycleMs) Cycle(cycleMs);
  }

  int64_t now_ = 123456789;
  TVyPitchTAG pitch{{[this] { return now_; }, kNanosPerSecond}};
};

TEST_F(PitchTest, RangeTableSetsLimitsDeadZoneAndSliderBlock) {
  struct Row {
    TVyPitchRange range;
    int32_t r, d, max, increment;
  } rows[] = {{pr8, 800, 26, 826, 103}, {pr16, 1600, 53, 1653, 103}, {pr20, 1999, 66, 2065, 114}};
  for (const Row& row : rows) {
    pitch.SetRange(row.range);
    EXPECT_EQ(pitch.Range, row.r);
    EXPECT_EQ(pitch.DeadZone, row.d);
    EXPECT_EQ(pitch.Fader.Maximum, row.max);
    EXPECT_EQ(pitch.Fader.Minimum, -row.max);
    EXPECT_EQ(pitch.Fader.Increment, row.increment);
    EXPECT_EQ(pitch.Fader.Fixed, 1);
    EXPECT_EQ(pitch.Fader.Initial, 0);
  }
  pitch.SetRange(TVyPitchRange(3));
  EXPECT_EQ(pitch.Range, 1999) << "an unknown range changes nothing";
}

TEST_F(PitchTest, FaderDeadZoneGivesZeroAndBeyondItTheMaximumEndIsSlow) {
  for (int v : {0, 53, -53, 20}) {
    pitch.SetFader(v);
    EXPECT_EQ(pitch.Info.Pitch, 0) << v;
    EXPECT_EQ(pitch.Info.FaderValue, v) << v;
  }
  pitch.SetFader(54);
  EXPECT_EQ(pitch.Info.Pitch, -1);
  pitch.SetFader(-54);
  EXPECT_EQ(pitch.Info.Pitch, 1);
  pitch.SetFader(1653);
  EXPECT_EQ(pitch.Info.Pitch, -1600);
  pitch.SetFader(INT_MIN);
  EXPECT_EQ(pitch.Info.Pitch, 1600);
  EXPECT_EQ(pitch.Info.FaderValue, -1653) << "clamped to the fader minimum";
}

TEST_F(PitchTest, NudgeStopsAtTheRangeAndMovesTheFaderWithThePitch) {
  pitch.Nudge(100);
  EXPECT_EQ(pitch.Info.FaderValue, -153);
  pitch.Nudge(-200);
  EXPECT_EQ(pitch.Info.FaderValue, 153);
  pitch.Nudge(100);
  EXPECT_EQ(pitch.Info.FaderValue, 0) << "pitch 0 sits at the centre, not the dead-zone edge";
  pitch.Nudge(INT_MAX);
  EXPECT_EQ(pitch.Info.Pitch, 1600);
  pitch.Nudge(INT_MIN);
  EXPECT_EQ(pitch.Info.Pitch, -1600);
}

TEST_F(PitchTest, NarrowerRangeClampsThePitchAndMovesTheFader) {
  pitch.Nudge(1200);
  pitch.SetRange(pr8);
  EXPECT_EQ(pitch.Info.Pitch, 800);
  EXPECT_EQ(pitch.Info.FaderValue, -826);
}

TEST_F(PitchTest, RateFollowsPitchAndBendOnlyWhilePitchIsOn) {
  pitch.Nudge(800);
  EXPECT_EQ(pitch.ComputeRate(), 47628);
  pitch.Nudge(-853);
  pitch.Bend = -500;
  EXPECT_EQ(pitch.ComputeRate(), 41661);
  EXPECT_EQ(pitch.Info.Rate, 41661);

  pitch.TogglePitch();
  EXPECT_EQ(pitch.ComputeRate(), 44100);
  pitch.SetBaseRate(22050);
  EXPECT_EQ(pitch.ComputeRate(), 22050);
  pitch.TogglePitch();
  EXPECT_EQ(pitch.ComputeRate(), 20830);  // 22050 x (1 - 0.0553), truncated
}

TEST_F(PitchTest, BendGrowsEvery175MsUpToItsLimitAndEndsOnRelease) {
  pitch.BeginBend(+1, 0);
  Cycle(20);
  EXPECT_EQ(pitch.Bend, 50) << "first step at the first cycle after the press";
  HoldFor(980);
  EXPECT_EQ(pitch.Bend, 300);
  HoldFor(5000);
  EXPECT_EQ(pitch.Bend, 500) << "bend limit";
  pitch.EndBend();
  EXPECT_EQ(pitch.ComputeRate(), 44100) << "release returns to the fader pitch";
  HoldFor(1000);
  EXPECT_EQ(pitch.Bend, 0) << "no steps after the release";

  pitch.BeginBend(-1, kModAlt);  // Alt alone is no fine step
  HoldFor(200);
  EXPECT_EQ(pitch.ComputeRate(), 43659) << "slow bend of -1.00 %";
}

TEST_F(PitchTest, FineStepsMoveThePitchEvery160MsAndStayAfterRelease) {
  struct Row {
    int modifiers, step;
  } rows[] = {{kModShift, 1}, {kModShift | kModAlt, 1}, {kModCtrl, 10}, {kModShift | kModCtrl, 100}};
  for (const Row& row : rows) {
    pitch.Nudge(-5000);
    pitch.BeginBend(+1, row.modifiers);
    HoldFor(300);  // a step at the first cycle, then one at 160 ms
    pitch.EndBend();
    EXPECT_EQ(pitch.Info.Pitch, -1600 + 2 * row.step) << row.modifiers;
    EXPECT_EQ(pitch.Bend, 0);
  }
  pitch.BeginBend(+1, kModShift | kModCtrl);
  HoldFor(10000);
  EXPECT_EQ(pitch.Info.Pitch, 1600) << "steps stop at the range";
}

TEST_F(PitchTest, BendTimingKeepsFractionsOfAMillisecond) {
  pitch.BeginBend(+1, 0);
  pitch.BendTick();                // first step; one ms left over
  for (int i = 0; i < 120; ++i) {  // 180 ms in cycles of 1.5 ms
    AdvanceUs(1500);
    pitch.BendTick();
  }
  EXPECT_EQ(pitch.Bend, 100) << "175 ms of 1.5 ms cycles make the second step";
}

TEST_F(PitchTest, SystemCounterDrivesTheDefaultController) {
  TVyPitchTAG real;
  real.BeginBend(+1, 0);
  real.BendTick();
  EXPECT_EQ(real.Bend, 50);
}
}  // namespace
