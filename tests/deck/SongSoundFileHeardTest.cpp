// Files of the sound file decoder heard through the capture device, mixed on
// demand: FLAC and 24-bit WAVE heard sample for sample, a seek into a long
// FLAC, a cut FLAC's true length, Opus at its pitch, and a deck still usable after files it cannot read.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "audio/decoders/OzoM4A.h"
#include "audio/decoders/OzoMP3.h"
#include "audio/decoders/OzoSND.h"
#include "audio/decoders/OzoWAV.h"
#include "deck/VySong.h"
#include "foundation/OzoError.h"
#include "support/ChildProcess.h"
#include "support/HeardFrames.h"
#include "support/Mp3Fixtures.h"
#include "support/SongPlayer.h"
#include "support/SoundFiles.h"
#include "support/SteppedPlayer.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {
constexpr uint32_t kRate = 48000;
constexpr uint32_t kFramesPerMs = kRate / 1000;

// The deck's decoders, in the deck's order, on a capture mixed period by period.
struct SoundFileSong : ::testing::Test {
  TempDir dir;
  SteppedPlayer player{dir.File("capture.wav"), kRate};
  TOzoMP3TAG mp3;
  TOzoWAVTAG wav;
  TOzoSNDTAG snd;
  TOzoM4ATAG m4a;
  std::unique_ptr<TVySongTAG> engine = std::make_unique<TVySongTAG>();
  TVySongTAG& song = *engine;

  void SetUp() override {
    ServiceEveryPeriod(player, song);
    song.AddPlayer(&mp3);
    song.AddPlayer(&wav);
    song.AddPlayer(&snd);
    song.AddPlayer(&m4a);
  }
  // A FLAC of numbered frames, encoded from a WAVE file beside it.
  std::string NumberedFlac(const std::string& name, uint32_t seconds) {
    std::string source = dir.File(name + ".wav");
    WriteFileBytes(source, MakeWav({.rate = kRate, .data = NumberedFrames(seconds * kRate)}));
    std::string out = dir.File(name + ".flac");
    EXPECT_TRUE(Encode(source, out));
    return out;
  }
  void PlayFor(double ms) { player.RunFor(ms); }
  Capture Finish() {
    player.SetCycle(nullptr);
    engine.reset();  // closes the output device and with it the capture
    return player.Read();
  }
};
}  // namespace

// Each file is heard whole and in order from its first frame, then silence.
TEST_F(SoundFileSong, FlacAndTwentyFourBitWaveAreHeardSampleExact) {
  constexpr uint32_t kSeconds = 2;
  const std::string flac = NumberedFlac("numbered", kSeconds);
  const std::string wide = dir.File("numbered24.wav");
  WriteFileBytes(wide, MakeWav({.rate = kRate, .bits = 24, .data = Widen24(NumberedFrames(kSeconds * kRate))}));
  for (const std::string& path : {flac, wide}) {
    ASSERT_EQ(song.Open(path.c_str(), 1, 0), 0) << path << ": " << GetLastErrorText();
    song.Play();
    PlayFor(kSeconds * 1000 + 300);
    song.Close();
  }
  Capture capture = Finish();
  size_t at = FirstSound(capture);
  for (int file = 0; file < 2; ++file) {
    ASSERT_LT(at, capture.left.size());
    EXPECT_EQ(Heard(capture, at), 1u) << "file " << file << " starts at its first frame";
    EXPECT_EQ(RunLength(capture, at), kSeconds * kRate) << "file " << file << " is heard whole, sample for sample";
    at = FirstSound(capture, at + RunLength(capture, at));
  }
}

TEST_F(SoundFileSong, SeekToThirtySecondsLandsWithinOneBlock) {
  const std::string flac = NumberedFlac("long", 40);
  ASSERT_EQ(song.Open(flac.c_str(), 1, 0), 0) << GetLastErrorText();
  song.SetPosition(30000);
  song.Play();
  PlayFor(200);
  Capture capture = Finish();
  const size_t at = FirstSound(capture);
  ASSERT_LT(at, capture.left.size());
  const double heardFrame = double(Heard(capture, at) - 1);
  EXPECT_NEAR(heardFrame, 30000.0 * kFramesPerMs, TOzoSNDTAG::kBlockFrames);
  EXPECT_GT(RunLength(capture, at), 100u * kFramesPerMs) << "and plays on from there";
}

// A cut download: the length becomes what was heard once the decoder runs
// out, so that the remaining time does not promise what is not there.
TEST_F(SoundFileSong, ACutFileTakesTheLengthItReallyHas) {
  const std::string encoded = dir.File("whole.flac"), cut = dir.File("cut.flac");
  ASSERT_EQ(RunProgram({"flac", "--silent", "--force", "-5", "-o", encoded, Mp3Fixture("signals/s48_6.wav")}), 0);
  const std::string whole = ReadFileBytes(encoded);
  WriteFileBytes(cut, whole.substr(0, whole.size() / 3));
  ASSERT_EQ(song.Open(cut.c_str(), 1, 0), 0) << GetLastErrorText();
  TVySongInfo info;
  song.GetSongInfo(info);
  ASSERT_EQ(info.Length, 6000u) << "the header's promise";
  song.Play();
  PlayFor(1000);
  EXPECT_TRUE(song.TakeLengthChanged()) << "learnt while the ring fills, long before the end is heard";
  EXPECT_FALSE(song.TakeLengthChanged()) << "told once";
  PlayFor(2500);
  song.GetSongInfo(info);
  EXPECT_EQ(song.GetPosition(), info.Length) << "the position stops at the new end";
  song.SetPosition(500);
  PlayFor(200);
  const Capture capture = Finish();
  const size_t start = FirstSound(capture), end = FirstSilence(capture, start, kFramesPerMs);
  EXPECT_NEAR(info.Length * kFramesPerMs, double(end - start), TOzoSNDTAG::kBlockFrames)
      << "what was decoded, to a block";
  EXPECT_LT(FirstSound(capture, end), capture.left.size()) << "the cut file plays again after its end";
}

// 44.1 kHz in, 48 kHz out of the codec: a wrong rate would be heard as a
// wrong pitch.
TEST_F(SoundFileSong, OpusIsHeardAtItsPitch) {
  const std::string source = dir.File("sine.wav");
  const std::vector<int16_t> sine = DitheredSine(1000, 44100, 44100 * 3, 0.25, 2);
  WriteFileBytes(source, MakeWav({.rate = 44100, .data = PcmBytes(sine)}));
  ASSERT_TRUE(Encode(source, dir.File("sine.opus")));
  ASSERT_EQ(song.Open(dir.File("sine.opus").c_str(), 1, 0), 0) << GetLastErrorText();
  song.Play();
  PlayFor(1500);
  Capture capture = Finish();
  const size_t at = FirstSound(capture);
  ASSERT_LT(at + capture.rate, capture.left.size());
  EXPECT_NEAR(ZeroCrossingHz(capture.left, at + capture.rate / 10, at + capture.rate, capture.rate), 1000.0, 1.0);
}

// Every failure names the file in the title, and the next good file plays.
TEST_F(SoundFileSong, UnreadableFilesOfEachTypeLeaveTheDeckUsable) {
  const std::string good = NumberedFlac("good", 1);
  const std::string flac = ReadFileBytes(good);
  for (const std::string ext : {".flac", ".aiff", ".ogg", ".opus", ".wav", ".m4a", ".aac"}) {
    for (const auto& [what, bytes] : std::vector<std::pair<std::string, std::string>>{
             {"empty", ""}, {"truncated", flac.substr(0, 30)}, {"corrupt", PatternBytes(5000)}}) {
      const std::string name = what + ext;
      WriteFileBytes(dir.File(name), bytes);
      EXPECT_EQ(song.Open(dir.File(name).c_str(), 1, 0), -1) << name;
      TVySongInfo info;
      song.GetSongInfo(info);
      EXPECT_EQ(std::string(info.Title), "(ERROR) " + name);
    }
  }
  ASSERT_EQ(song.Open(good.c_str(), 1, 0), 0) << GetLastErrorText();
  song.Play();
  PlayFor(300);
  Capture capture = Finish();
  EXPECT_GE(RunFromFirstFrame(capture), 250u * kFramesPerMs);
}
