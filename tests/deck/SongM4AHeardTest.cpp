// AAC and ALAC in M4A through the song engine, heard at the file's own rate: the
// start and every jump land on their moment of the source signal, the
// encoder's priming left out.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "audio/decoders/OzoM4A.h"
#include "deck/VySong.h"
#include "foundation/OzoError.h"
#include "support/AudioAnalysis.h"
#include "support/HeardFrames.h"
#include "support/Mp3Fixtures.h"
#include "support/SongPlayer.h"
#include "support/SteppedPlayer.h"
#include "support/TempDir.h"

namespace {
constexpr uint32_t kRate = 44100;  // the file's own: the capture holds the decoder's samples
constexpr uint32_t kSourceMs = 40000;
}  // namespace

TEST(HeardM4A, StartAndJumpsLandWithinOneMillisecondAndTheLengthIsExact) {
  const std::vector<float> source = FixtureSignal("s44_40.wav");
  for (const char* file : {"aac40.m4a", "alac40.m4a"})
    for (unsigned targetMs : {0u, 10000u, 30000u, kSourceMs - 1000}) {
      SCOPED_TRACE(std::string(file) + ", jump to " + std::to_string(targetMs) + " ms");
      TempDir dir;
      SteppedPlayer player(dir.File("capture.wav"), kRate);
      TOzoM4ATAG m4a;
      auto song = std::make_unique<TVySongTAG>();
      ServiceEveryPeriod(player, *song);
      song->AddPlayer(&m4a);
      ASSERT_EQ(song->Open(Mp3Fixture(file).c_str(), 1, 0), 0) << GetLastErrorText();
      EXPECT_EQ(m4a.Frames, uint64_t(kSourceMs) * kRate / 1000)
          << "the container's length, priming and padding left out";
      song->SetPosition(targetMs);
      song->Play();
      player.RunFor(300);
      player.SetCycle(nullptr);
      song.reset();

      const Capture capture = player.Read();
      const Landing landing = LocateLanding(source, capture.left, FirstSound(capture), targetMs, kRate);
      EXPECT_GT(landing.correlation, 0.9) << "the first sound is not the target";
      EXPECT_NEAR(landing.lateMs, 0, 1.0);
      RecordProperty(std::string(file) + "_late_ms_at_" + std::to_string(targetMs), std::to_string(landing.lateMs));
    }
}
