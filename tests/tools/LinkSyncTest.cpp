// Two console decks synced through Link on one JACK server, each heard on a
// card of its own: their kicks land together, with no offset set by hand.
#include <gtest/gtest.h>

#include "support/AudioOutput.h"
#include "support/BeatOnsets.h"
#include "support/DeckOnCard.h"
#include "support/Environment.h"
#include "support/PrivateNetwork.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {
constexpr uint32_t kFileRate = 44100, kServerRate = 48000;
// The analysis done, the start on the session's beat and the phase pulled in.
constexpr double kSettleSeconds = 8;
constexpr double kListenSeconds = 16;
constexpr double kPairWithinMs = 100;  // under a quarter beat: the same beat or none
}  // namespace

TEST(LinkSync, TwoSyncedDecksAt128And124BpmKickTogether) {
  std::string why;
  ASSERT_TRUE(EnterLoopbackOnlyNetwork(&why)) << why;
  TempDir dir;
  ScopedEnvironment config("XDG_CONFIG_HOME", dir.Path());
  JackServer server(kServerRate);
  ASSERT_TRUE(HaveJack() && server.Start());
  const double recordSeconds = kSettleSeconds + kListenSeconds + 30;
  DeckOnCard a(VYS_DECK_PATH, "vys-sync-a", recordSeconds), b(VYS_DECK_PATH, "vys-sync-b", recordSeconds);
  for (auto [deck, bpm] : {std::pair{&a, 128.0}, std::pair{&b, 124.0}}) {
    const std::string track = dir.File(std::to_string(int(bpm)) + ".wav");
    const auto pcm = KickTrack(bpm, bpm == 128 ? 250 : 400, recordSeconds + 30, kFileRate);
    WriteFileBytes(track, MakeWav({.rate = kFileRate, .data = PcmBytes(pcm)}));
    ASSERT_EQ(deck->Load(track), "");
    ASSERT_EQ(deck->Do({"link 1"}), "");
  }
  // Each sees the other before it syncs: a deck alone gives the session its own tempo.
  for (DeckOnCard* deck : {&a, &b})
    ASSERT_TRUE(WaitUntil([&] { return deck->Ask("status").find("\"peers\":1") != std::string::npos; }));
  ASSERT_EQ(a.Do({"sync 1", "play"}), "");
  ASSERT_EQ(b.Do({"sync 1", "play"}), "");

  // Heard from the server's frames on: settled, then listened to.
  const double from = a.FrameNow() + kSettleSeconds * kServerRate, to = from + kListenSeconds * kServerRate;
  ASSERT_TRUE(WaitUntil([&] { return a.FrameNow() >= to && b.FrameNow() >= to; }, 120, 0.1));
  const OnsetAgreement kicks = CompareOnsets(a.Onsets(from, to), b.Onsets(from, to), kPairWithinMs, kServerRate);
  EXPECT_GE(kicks.pairs, size_t(kListenSeconds * 2));  // a beat at least every half second
  EXPECT_LT(kicks.medianMs, 1.0);
  EXPECT_LT(kicks.p99Ms, 2.0);
  a.Do({"quit"}), b.Do({"quit"});
}
