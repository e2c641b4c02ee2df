// A deck playing through a JACK server that is killed and started again:
// the deck knows while its output is gone, and what was playing is heard
// again by itself, from where it stopped, soon after the output is back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "audio/output/OzoDS.h"
#include "deck/VySystem.h"
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

// The id of the output listed as `description`.
bool FindDevice(const std::string& description, TGuid* id) {
  TStringList list;
  EnumerateDevices(list);
  bool found = false;
  for (int i = 0; i < list.Count(); ++i)
    if (list.Strings(i) == description && list.Objects(i)) *id = *static_cast<TGuid*>(list.Objects(i)), found = true;
  FreeDeviceList(list);
  return found;
}

// The number of the last frame heard; 0 when nothing was.
uint32_t LastHeard(const Capture& capture) {
  for (size_t i = capture.left.size(); i > 0; --i)
    if (uint32_t frame = Heard(capture, i - 1)) return frame;
  return 0;
}

// Waits until the card has heard sound for `seconds`; its capture then.
bool HearsFor(const JackRecorder& card, double seconds, Capture* capture) {
  return WaitUntil(
      [&] {
        *capture = card.Recorded();
        return capture->left.size() > FirstSound(*capture) + size_t(seconds * kRate);
      },
      20, 0.05);
}
}  // namespace

TEST(OutputLoss, PlayingDeckResumesByItselfWhereTheSoundStoppedWhenTheServerIsBack) {
  if (!HaveJack()) GTEST_SKIP() << "jackd is not installed";
  TempDir dir;
  const std::string numbered = dir.File("numbered.wav");
  WriteFileBytes(numbered, MakeWav({.rate = kRate, .data = NumberedFrames(20 * kRate)}));
  ScopedEnvironment systemOutput("VYS_AUDIO", "");
  JackServer server(kRate);
  ASSERT_TRUE(server.Start()) << "JACK did not come up";
  auto card = std::make_unique<JackRecorder>(kCardName, kRecordSeconds);
  TGuid cardId;
  ASSERT_TRUE(card->Running() && WaitUntil([&] { return FindDevice(card->Device(), &cardId); }));

  TVySystemTAG deck;
  deck.Song.SetDevice(&cardId);
  ASSERT_EQ(deck.OpenFiles(numbered, 0), 0);  // plays when opened, by default
  Capture before;
  ASSERT_TRUE(HearsFor(*card, 0.5, &before)) << "plays before the kill";
  EXPECT_FALSE(deck.OutputLost());

  server.Kill();
  ASSERT_TRUE(WaitUntil([&] { return deck.OutputLost(); })) << "the deck knows its output is gone";
  before = card->Recorded();
  const uint32_t lastBefore = LastHeard(before);

  card.reset();
  ASSERT_TRUE(server.Start());
  card = std::make_unique<JackRecorder>(kCardName, kRecordSeconds);
  ASSERT_TRUE(card->Running());
  Capture after;
  ASSERT_TRUE(HearsFor(*card, 0.5, &after)) << "heard again without a new Play";
  EXPECT_TRUE(WaitUntil([&] { return !deck.OutputLost(); }));
  EXPECT_EQ(deck.State, dsPlaying);

  const size_t resumed = FirstSound(after);
  const double returnToSoundMs = 1000.0 * double(resumed) / kRate;
  RecordProperty("card_back_to_sound_ms", std::to_string(returnToSoundMs));
  EXPECT_LT(returnToSoundMs, 1000.0) << "within a second of the output's return";
  // The frames the deck had sent in the server's last period may not have
  // reached the card before the kill.
  EXPECT_GE(Heard(after, resumed), lastBefore + 1) << "nothing heard twice";
  EXPECT_LE(Heard(after, resumed), lastBefore + 1 + 2 * kServerPeriod) << "from where the sound stopped";
  EXPECT_GE(RunLength(after, resumed), size_t(kRate / 2)) << "and plays on without a gap";
}
