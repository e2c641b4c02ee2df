// The deck console's answers: one line per command, errors that say why,
// and a status that tells the whole deck.
#include "DeckConsole.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "platform/link/LinkSession.h"
#include "support/AudioOutput.h"
#include "support/FixedAnalysis.h"
#include "support/PrivateNetwork.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {
struct Console : ::testing::Test {
  ScopedAudioOutput audio{"null"};
  TempDir dir;
  std::unique_ptr<TVySystemTAG> deck;
  std::unique_ptr<DeckConsole> console;
  void SetUp() override {
    deck = std::make_unique<TVySystemTAG>();
    console = std::make_unique<DeckConsole>(*deck);
  }
  void TearDown() override {
    console.reset();
    deck.reset();
  }
};
}  // namespace

TEST_F(Console, CommandsAnswerOkOrSayWhatIsWrong) {
  WriteFileBytes(dir.File("song.wav"), MakeWav({.data = PatternBytes(176400)}));
  EXPECT_EQ(console->Run("open " + dir.File("song.wav")), "ok");
  EXPECT_EQ(console->Run("play"), "ok");
  EXPECT_EQ(console->Run("seek 500"), "ok");
  EXPECT_EQ(console->Run("nudge -53"), "ok");
  EXPECT_EQ(console->Run("frobnicate"), "error unknown command: frobnicate");
  EXPECT_EQ(console->Run("seek soon"), "error not a number: soon");
  EXPECT_EQ(console->Run("seek 4294967297"), "error out of range: 4294967297") << "would wrap to 1 ms";
  EXPECT_EQ(console->Run("wait 99999999999999999999"), "error out of range: 99999999999999999999");
  EXPECT_EQ(console->Run("seek"), "error usage: seek MS");
  EXPECT_EQ(console->Run("downmix 50"), "error usage: downmix -100|0|100");
  EXPECT_EQ(deck->Balance, 0) << "a refused command leaves the deck untouched";
  EXPECT_THAT(console->Run("open " + dir.File("missing.wav")), StartsWith("error VYSONG: Error abriendo fichero"));
  EXPECT_EQ(console->Run("quit"), "ok");
  EXPECT_TRUE(console->QuitRequested());
}

TEST_F(Console, StatusIsOneJsonObjectWithEveryKey) {
  WriteFileBytes(dir.File("a_\"quoted\"_name.wav"), MakeWav({.data = PatternBytes(176400)}));
  ASSERT_EQ(console->Run("open " + dir.File("a_\"quoted\"_name.wav")), "ok");
  console->Run("nudge 800");
  EXPECT_EQ(console->Run("keylock 1"), "ok");
  const std::string status = console->Run("status");
  EXPECT_EQ(status.find('\n'), std::string::npos);
  for (const char* key :
       {"state", "position", "length", "cue", "title", "track", "time", "hundredths", "pitch_text", "pitch", "pitch_on",
        "rate", "keylock", "volume", "balance", "levels", "end_reached", "analysis", "bpm", "firstBeatMs", "loudnessLufs", "gainDb",
        "link", "sync", "bpmEffective", "playlist_count", "playlist_index"})
    EXPECT_THAT(status, HasSubstr(std::string("\"") + key + "\":")) << key;
  EXPECT_THAT(status, HasSubstr("\"title\":\"a \\\"quoted\\\" name\""));
  EXPECT_THAT(status, HasSubstr("\"pitch_text\":\"+ e8.00\""));
  EXPECT_THAT(status, HasSubstr("\"rate\":47628,\"keylock\":true"));
  EXPECT_THAT(status, HasSubstr("\"playlist_count\":1,\"playlist_index\":0}"));

  // Names are bytes: UTF-8 stays as it is, anything else is read as Latin-1.
  for (auto [name, title] : {std::pair{"caf\xc3\xa9.wav", "caf\xc3\xa9"}, std::pair{"caf\xe9.wav", "caf\\u00e9"}}) {
    WriteFileBytes(dir.File(name), MakeWav({.data = PatternBytes(17640)}));
    ASSERT_EQ(console->Run("open " + dir.File(name)), "ok");
    EXPECT_THAT(console->Run("status"), HasSubstr(std::string("\"title\":\"") + title + "\""));
  }
}

// A script waits for the analysis, reads it, and switches auto-gain.
TEST_F(Console, AnalysisIsWaitedForAndShownAndAutoGainSwitched) {
  deck->Analysis().Use(FixedAnalysis({.bpm = 128, .firstBeatSeconds = 0.25, .loudnessLufs = -18, .truePeakDb = -9}),
                       dir.File("analysis.sqlite"));
  EXPECT_THAT(console->Run("status"), HasSubstr("\"analysis\":\"none\",\"bpm\":null"));
  WriteFileBytes(dir.File("song.wav"), MakeWav({.data = PatternBytes(176400)}));
  ASSERT_EQ(console->Run("open " + dir.File("song.wav")), "ok");
  EXPECT_EQ(console->Run("analysis-wait 20000"), "ok");
  EXPECT_THAT(console->Run("status"), HasSubstr("\"analysis\":\"done\",\"bpm\":128.000,\"firstBeatMs\":250.000,"
                                                "\"loudnessLufs\":-18.000,\"gainDb\":0.00"));
  EXPECT_EQ(console->Run("autogain 1"), "ok");
  EXPECT_THAT(console->Run("status"), HasSubstr("\"gainDb\":4.00"));
  EXPECT_EQ(console->Run("autogain 2"), "error usage: autogain 0|1");
}

// Between commands the console looks at the deck rarely, but the end of the
// track is still acted on at once.
TEST_F(Console, WaitActsOnTheEndOfTheTrackAsItIsHeard) {
  WriteFileBytes(dir.File("six_seconds.wav"), MakeWav({.data = PatternBytes(6 * 176400)}));
  ASSERT_EQ(console->Run("open " + dir.File("six_seconds.wav")), "ok");  // plays when opened
  EXPECT_EQ(console->IdleTimeoutMs(), DeckConsole::kLongestIdleMs) << "the end is far";
  ASSERT_EQ(console->Run("wait 5800"), "ok");
  EXPECT_THAT(console->Run("status"), HasSubstr("\"state\":\"playing\""));
  EXPECT_EQ(console->IdleTimeoutMs(), DeckConsole::kTickMs) << "the end is near";
  ASSERT_EQ(console->Run("wait 400"), "ok");
  EXPECT_THAT(console->Run("status"), HasSubstr("\"state\":\"cued\"")) << "the end stops the deck";
  EXPECT_EQ(console->IdleTimeoutMs(), -1) << "a stopped deck is not looked at";
}

// One answer per line even for a message of several lines, and the end of
// the track is acted on while commands come back to back.
TEST_F(Console, AnswersStayOneLineAndBackToBackCommandsStillSeeTheEnd) {
  WriteFileBytes(dir.File("short.wav"), MakeWav({.data = PatternBytes(176400 / 2)}));
  std::string failed;
  {
    ScopedAudioOutput unwritable(ScopedAudioOutput::Capture(dir.File("no/such/folder/capture.wav")));
    failed = console->Run("open " + dir.File("short.wav"));
  }
  EXPECT_THAT(failed, StartsWith("error VYSONG: Directsound audio not available. Try closing any other\\nsound"));
  EXPECT_EQ(failed.find('\n'), std::string::npos);

  ASSERT_EQ(console->Run("open " + dir.File("short.wav")), "ok");  // plays half a second
  const auto start = std::chrono::steady_clock::now();
  std::string status;
  do status = console->Run("status");
  while (status.find("\"state\":\"playing\"") != std::string::npos &&
         std::chrono::steady_clock::now() - start < std::chrono::seconds(5));
  EXPECT_THAT(status, HasSubstr("\"state\":\"cued\"")) << "the end stops the deck";
}

// Sync is refused without Link and beyond the pitch range, with the reason
// in the answer and the title; alone in a session the deck gives it its
// tempo, and while synced its pitch fader sets the session's.
TEST_F(Console, SyncFollowsTheSessionAndIsRefusedWhereItCannot) {
  std::string why;
  ASSERT_TRUE(EnterLoopbackOnlyNetwork(&why)) << why;
  deck->Analysis().Use(FixedAnalysis({.bpm = 128, .firstBeatSeconds = 0.25}), dir.File("analysis.sqlite"));
  WriteFileBytes(dir.File("song.wav"), MakeWav({.data = PatternBytes(176400)}));
  ASSERT_EQ(console->Run("open " + dir.File("song.wav")), "ok");
  ASSERT_EQ(console->Run("analysis-wait 20000"), "ok");
  EXPECT_EQ(console->Run("sync 1"), "error Sync needs Link: press L first");
  EXPECT_EQ(console->Run("link 1"), "ok");
  EXPECT_EQ(console->Run("sync 1"), "ok");
  EXPECT_THAT(console->Run("status"), HasSubstr("\"link\":{\"enabled\":true,\"peers\":0,\"tempo\":128.000},"
                                                "\"sync\":true,\"bpmEffective\":128.000"));
  EXPECT_EQ(console->Run("nudge 800"), "ok");
  EXPECT_THAT(console->Run("status"), HasSubstr("\"tempo\":138.240},\"sync\":true,\"bpmEffective\":138.240"));

  EXPECT_EQ(console->Run("sync 0"), "ok");
  TLinkSession peer(100.0);
  peer.Enable(true);
  ASSERT_TRUE(WaitUntil([&] { return peer.Peers() == 1; }));
  peer.SetTempo(100.0);
  ASSERT_TRUE(WaitUntil([&] { return std::abs(deck->BeatSync().SessionTempo() - 100.0) < 1e-6; }));
  const std::string refusal = "Sync refused: 100.0 BPM needs -21.9 %, beyond the pitch range of 16 %";
  EXPECT_EQ(console->Run("sync 1"), "error " + refusal);
  EXPECT_THAT(console->Run("status"), HasSubstr("\"title\":\"" + refusal + "\""));
}
