// The window moves the fader while the player thread runs the bend timing and
// the rate: the pitch lock keeps every snapshot consistent (and ThreadSanitizer
// quiet).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "deck/VyPitch.h"

namespace {
TEST(PitchThreads, FaderAndBendTicksFromTwoThreadsKeepPitchAndFaderInStep) {
  std::atomic<int64_t> now{0};
  TVyPitchTAG pitch({[&] { return now.load(); }, 1000});  // one tick per ms
  std::atomic<bool> done{false};
  std::thread player([&] {
    while (!done) {
      now += 20;
      pitch.BendTick();
      pitch.ComputeRate();
    }
  });
  for (int i = 0; i < 20000; ++i) {
    pitch.SetFader(i % 4000 - 2000);
    pitch.BeginBend(i % 3 - 1, i % 8);
    pitch.Enter();
    int32_t p = pitch.Info.Pitch, fader = pitch.Info.FaderValue;
    pitch.Leave();
    ASSERT_LE(std::abs(p), pitch.Range);
    ASSERT_TRUE(p == 0 ? std::abs(fader) <= pitch.DeadZone : std::abs(fader) == std::abs(p) + pitch.DeadZone);
    if (i % 5 == 0) pitch.EndBend();
  }
  done = true;
  player.join();
}
}  // namespace
