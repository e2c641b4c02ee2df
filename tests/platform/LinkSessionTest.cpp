#include "platform/link/LinkSession.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "support/PrivateNetwork.h"

namespace {
// Waits for an event, not a duration: the bound only ends a run that hangs.
template <typename TCondition>
bool WaitFor(TCondition condition) {
  for (int i = 0; i < 1000 && !condition(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return condition();
}
}  // namespace

TEST(LinkSession, TwoPeersShareTempoAndBarPhase) {
  std::string why;
  ASSERT_TRUE(EnterLoopbackOnlyNetwork(&why)) << why;
  TLinkSession first(128.0), second(124.0);
  first.Enable(true);
  second.Enable(true);
  ASSERT_TRUE(WaitFor([&] { return first.Peers() == 1 && second.Peers() == 1; }));

  first.SetTempo(131.0);
  ASSERT_TRUE(WaitFor([&] { return std::abs(second.Capture(second.NowMicros(), 4).tempoBpm - 131.0) < 1e-3; }));
  const int64_t now = first.NowMicros();
  const TLinkTimeline a = first.Capture(now, 4), b = second.Capture(now, 4);
  const double beatMicros = 60e6 / 131.0;
  EXPECT_NEAR(a.PhaseAt(now), b.PhaseAt(now), 1000.0 / beatMicros);
  // The copied timeline is the library's straight line.
  EXPECT_NEAR(a.BeatAt(now + 1'000'000) - a.BeatAt(now), 131.0 / 60.0, 1e-9);
  EXPECT_EQ(a.MicrosAtBeat(a.BeatAt(now + 500'000)), now + 500'000);
}
