// An MP3 through the song engine, heard at the file's own rate so that the
// capture holds the decoder's samples unchanged: where playback and a jump
// land, against a straight decode of the same file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "audio/decoders/OzoWAV.h"
#include "deck/VySong.h"
#include "support/AudioAnalysis.h"
#include "support/HeardFrames.h"
#include "support/Mp3Fixtures.h"
#include "support/SongPlayer.h"
#include "support/SteppedPlayer.h"
#include "support/TempDir.h"

namespace {
constexpr uint32_t kRate = 44100;
constexpr uint32_t kToleranceSamples = kRate * 5 / 1000;
constexpr size_t kMatchFrames = 64;

std::vector<int16_t> Interleaved(const Capture& c) {
  std::vector<int16_t> pcm(2 * c.left.size());
  for (size_t k = 0; k < c.left.size(); ++k) {
    pcm[2 * k] = int16_t(std::lround(c.left[k] * 32768));
    pcm[2 * k + 1] = int16_t(std::lround(c.right[k] * 32768));
  }
  return pcm;
}

// The sample frame of `reference` where the frames at `at` of `heard` begin, or -1.
long Locate(const std::vector<int16_t>& reference, const std::vector<int16_t>& heard, size_t at) {
  const size_t n = 2 * kMatchFrames;
  for (size_t r = 0; r + n <= reference.size(); r += 2)
    if (std::memcmp(&reference[r], &heard[2 * at], n * sizeof(int16_t)) == 0) return long(r / 2);
  return -1;
}
}  // namespace

TEST(HeardMp3, PlayAndJumpLandWithin5MsOfTheirTargets) {
  TempDir dir;
  SteppedPlayer player(dir.File("capture.wav"), kRate);
  const std::string file = Mp3Fixture("cbr128.mp3");
  TOzoMP3TAG mp3;
  TOzoWAVTAG wav;
  auto song = std::make_unique<TVySongTAG>();
  ServiceEveryPeriod(player, *song);
  song->AddPlayer(&mp3);
  song->AddPlayer(&wav);
  ASSERT_EQ(song->Open(file.c_str(), 1, 0), 0);
  song->Play();
  player.RunFor(300);
  song->SetPosition(2500);
  player.RunFor(300);
  player.SetCycle(nullptr);
  const uint32_t startSkip = mp3.StartSkip / 4;
  song.reset();

  const Capture capture = player.Read();
  const std::vector<int16_t> heard = Interleaved(capture);
  TOzoMP3TAG straight;
  ASSERT_EQ(straight.Open(file.c_str(), 0), 0);
  const std::string decoded = DecodeToEnd(straight);
  std::vector<int16_t> reference(decoded.size() / 2);
  std::memcpy(reference.data(), decoded.data(), reference.size() * 2);

  const size_t first = FirstSound(capture);
  const long start = Locate(reference, heard, first);
  EXPECT_NEAR(double(start), double(startSkip), kToleranceSamples) << "play starts past the start skip";

  ASSERT_GE(start, 0);
  size_t jump = first;  // the first frame that no longer follows the straight decode
  while (2 * jump + 1 < heard.size() && 2 * (size_t(start) + jump - first) + 1 < reference.size() &&
         heard[2 * jump] == reference[2 * (size_t(start) + jump - first)])
    ++jump;
  jump = FirstSound(capture, jump);
  const long landed = Locate(reference, heard, jump);
  const double expected = 2500.0 * kRate / 1000 + startSkip;  // a jump skips the stream's delay too
  EXPECT_NEAR(double(landed), expected, kToleranceSamples);
  RecordProperty("start_offset_samples", std::to_string(start - long(startSkip)));
  RecordProperty("jump_offset_samples", std::to_string(landed - long(expected)));
}

// The song engine's jumps, heard: the first sound after each is the target
// moment of the source, for CBR, VBR with a Xing header and VBR without
// one, opened fast and exact alike; and so when the player comes late after
// a jump and a Play (a loaded machine, a long device period), since the ring
// still holds the audio from before the jump.
TEST(HeardMp3, JumpsLandWithin5MsInEveryFlavourAndOpenWithAPlayerThatComesLate) {
  constexpr double kListenMs = 1200;  // the player's idle sleep, then the jump heard
  const std::tuple<const char*, const char*, unsigned> flavours[] = {
      {"cbr320.mp3", "s44_40.wav", 30000}, {"vbr_xing.mp3", "vbr.wav", 8000}, {"vbr_bare.mp3", "s44_40.wav", 30000}};
  for (const auto& [file, signal, targetMs] : flavours) {
    for (int exact : {0, 1}) {
      SCOPED_TRACE(std::string(file) + (exact ? ", exact open" : ", fast open"));
      TempDir dir;
      SteppedPlayer player(dir.File("capture.wav"), kRate);
      TOzoMP3TAG mp3;
      auto song = std::make_unique<TVySongTAG>();
      song->SetCounter(player.Counter());
      player.SetCycle([&song] { return song->Service(); }, [] { return false; });  // commands do not wake it
      song->AddPlayer(&mp3);
      ASSERT_EQ(song->Open(Mp3Fixture(file).c_str(), 1, exact), 0);
      player.RunFor(50);  // the open's restart, then the player sleeps
      song->SetPosition(targetMs);
      song->Play();
      player.RunFor(kListenMs);
      player.SetCycle(nullptr);
      song.reset();

      const Capture capture = player.Read();
      const Landing landing = LocateLanding(FixtureSignal(signal), capture.left, FirstSound(capture), targetMs, kRate);
      EXPECT_GT(landing.correlation, 0.9) << "the first sound is not the target";
      EXPECT_NEAR(landing.lateMs, 0, 5);
      RecordProperty(std::string(file) + (exact ? "_exact" : "_fast"), std::to_string(landing.lateMs));
    }
  }
}
