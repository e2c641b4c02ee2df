// The search timing driven by a counter the test moves, looked at every 20 ms
// as the player does: the schedule of the accelerating and the fixed-step
// search, step by step.
#include "deck/VyScan.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
int64_t fakeNow = 0;  // milliseconds, one tick each

struct Search : ::testing::Test {
  TVyScanTAG scan{{[] { return fakeNow; }, 1000}};
  int64_t position = 0;

  void SetUp() override { fakeNow = 0; }
  // One player cycle later: the position after the step, if one was due.
  int64_t Cycle() {
    fakeNow += 20;
    const int64_t target = scan.Next(position);
    if (target >= 0) position = target;
    return position;
  }
};
}  // namespace

TEST_F(Search, AcceleratingSearchFollowsItsSchedule) {
  scan.StartForward(true);
  std::vector<int64_t> positions;  // after each cycle
  unsigned changes = 0;
  for (int cycle = 1; cycle <= 150; ++cycle) {
    const int64_t before = position;
    positions.push_back(Cycle());
    changes += positions.back() != before;
  }
  auto at = [&](int cycle) { return positions[size_t(cycle - 1)]; };
  EXPECT_EQ(at(10), 0) << "the first step comes one interval after the press";
  EXPECT_EQ(at(11), 10);
  EXPECT_EQ(at(51), 50) << "five steps of 10 ms, 200 ms apart";
  EXPECT_EQ(at(76), 150) << "then 20 ms every 100 ms";
  EXPECT_EQ(at(88), 350) << "then 40 ms every 50 ms";
  EXPECT_EQ(at(94), 750) << "then 80 ms every 25 ms";
  EXPECT_EQ(at(99), 1550) << "then one step per cycle";
  EXPECT_EQ(at(114), 12750);
  EXPECT_EQ(at(150), 12750 + 36 * 1431) << "up to 1431 ms a step";
  EXPECT_EQ(changes, 40u + 36) << "never more than one step per cycle";
}

TEST_F(Search, FixedStepsComeEvery150MillisecondsAndStopAtTheStart) {
  for (int step : {10, 100, 1000, -1000}) {
    position = 50000;
    scan.StartStep(step, true);
    for (int cycle = 1; cycle <= 150; ++cycle) Cycle();  // three seconds
    EXPECT_EQ(position, 50000 + 19 * step) << step;
  }
  position = 300;
  scan.StartStep(-1000, false);  // a replacing search steps at once
  EXPECT_EQ(Cycle(), 0) << "never before the start";
  scan.StartBackward(false);
  EXPECT_EQ(scan.Next(position), -1) << "nothing below the start to go to";
  scan.Stop();
  fakeNow += 1000;
  EXPECT_EQ(scan.Next(5000), -1) << "a stopped search takes no step";
}
