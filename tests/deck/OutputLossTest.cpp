// A deck playing through a JACK server that is killed and started again:
// the deck knows while its output is gone, and what was playing is heard
// again by itself, from where it stopped, soon after the output is back.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "deck/VySystem.h"
#include "foundation/OzoLog.h"
#include "support/AudioOutput.h"
#include "support/HeardFrames.h"
#include "support/JackServer.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {
constexpr uint32_t kRate = 44100;  // the file's rate: every frame reaches the card as written
constexpr char kCardName[] = "vys-test-card";
constexpr double kRecordSeconds = 30;
constexpr uint32_t kServerPeriod = 256;  // frames; JackServer's

// The number of the last frame heard; 0 when nothing was.
uint32_t LastHeard(const Capture& capture) {
  for (size_t i = capture.left.size(); i > 0; --i)
    if (uint32_t frame = Heard(capture, i - 1)) return frame;
  return 0;
}

struct OutputLoss : ::testing::Test {
  TempDir dir;
  ScopedEnvironment systemOutput{"VYS_AUDIO", ""};
  JackServer server{kRate};
  std::unique_ptr<JackRecorder> card;
  std::unique_ptr<TVySystemTAG> deck;

  void SetUp() override {
    if (!HaveJack()) GTEST_SKIP() << "jackd is not installed";
    const std::string numbered = dir.File("numbered.wav");
    WriteFileBytes(numbered, MakeWav({.rate = kRate, .data = NumberedFrames(20 * kRate)}));
    ASSERT_TRUE(server.Start()) << "JACK did not come up";
    card = std::make_unique<JackRecorder>(kCardName, kRecordSeconds);
    TGuid cardId;
    ASSERT_TRUE(card->Running() && WaitUntil([&] { return FindOutputDevice(card->Device(), &cardId) > 0; }));
    deck = std::make_unique<TVySystemTAG>();
    deck->Song.SetDevice(&cardId);
    ASSERT_EQ(deck->OpenFiles(numbered, 0), 0);  // plays when opened, by default
    ASSERT_TRUE(HearsFor(0.5).left.size()) << "plays before the kill";
  }
  void TearDown() override { deck.reset(); }

  // Waits until the card has heard sound for `seconds`; its capture then,
  // empty when it never does.
  Capture HearsFor(double seconds) {
    Capture capture;
    const bool heard = WaitUntil(
        [&] {
          capture = card->Recorded();
          return capture.left.size() > FirstSound(capture) + size_t(seconds * kRate);
        },
        20, 0.05);
    return heard ? capture : Capture{};
  }

  // The number of the last frame heard before the deck knew its output had gone.
  uint32_t KillServer() {
    server.Kill();
    EXPECT_TRUE(WaitUntil([&] { return deck->OutputLost(); })) << "the deck knows its output is gone";
    return LastHeard(card->Recorded());
  }

  // What a new card hears, from its start, once it has heard half a second.
  Capture RestartServer() {
    card.reset();
    if (!server.Start()) return {};
    card = std::make_unique<JackRecorder>(kCardName, kRecordSeconds);
    return HearsFor(0.5);
  }
};
}  // namespace

TEST_F(OutputLoss, PlayingDeckResumesByItselfWhereTheSoundStoppedAndLogsTheLossOnce) {
  SetLogPath(dir.File("vys.log"));
  LogStart();
  EXPECT_FALSE(deck->OutputLost());
  const uint32_t lastBefore = KillServer();
  const Capture after = RestartServer();
  ASSERT_FALSE(after.left.empty()) << "heard again without a new Play";
  EXPECT_TRUE(WaitUntil([&] { return !deck->OutputLost(); }));
  EXPECT_EQ(deck->State, dsPlaying);
  LogStop();
  SetLogPath("");

  const size_t resumed = FirstSound(after);
  const double returnToSoundMs = 1000.0 * double(resumed) / kRate;
  RecordProperty("card_back_to_sound_ms", std::to_string(returnToSoundMs));
  EXPECT_LT(returnToSoundMs, 1000.0) << "within a second of the output's return";
  // The frames the deck had sent in the server's last period may not have
  // reached the card before the kill.
  EXPECT_GE(Heard(after, resumed), lastBefore + 1) << "nothing heard twice";
  EXPECT_LE(Heard(after, resumed), lastBefore + 1 + 2 * kServerPeriod) << "from where the sound stopped";
  EXPECT_GE(RunLength(after, resumed), size_t(kRate / 2)) << "and plays on without a gap";
  const std::string log = ReadFileBytes(dir.File("vys.log"));
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 4) << "banners and one line for the loss:\n" << log;
}

// The ring still holds what played before the loss: none of it may be heard.
TEST_F(OutputLoss, SeekWhileTheOutputIsLostIsHeardFromItsTargetOnceItIsBack) {
  KillServer();
  deck->Seek(5000);
  const Capture after = RestartServer();
  ASSERT_FALSE(after.left.empty()) << "heard again without a new Play";
  EXPECT_EQ(Heard(after, FirstSound(after)), 5 * kRate + 1);
  EXPECT_GE(RunLength(after, FirstSound(after)), size_t(kRate / 2));
}
