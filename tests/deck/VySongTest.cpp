// The song engine on the null output: opening, titles, failures, time texts,
// positions and the search schedule driven by a counter the test moves; on a
// capture mixed on demand, a position that goes on past 4 GiB of sound.
#include "deck/VySong.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "audio/decoders/OzoWAV.h"
#include "foundation/OzoError.h"
#include "platform/sound/PacedBackend.h"
#include "support/AudioOutput.h"
#include "support/SongPlayer.h"
#include "support/SteppedPlayer.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

using ::testing::MatchesRegex;

namespace {
int64_t fakeNow = 0;  // milliseconds, one tick each
int64_t FakeCounter() { return fakeNow; }

struct SongOnNullOutput : ::testing::Test {
  ScopedAudioOutput audio{"null"};
  TempDir dir;
  TOzoWAVTAG wav;
  TVySongTAG song;

  void SetUp() override { song.AddPlayer(&wav); }
  void TearDown() override {
    song.Close();
    SetMessageBoxPresenter(nullptr);
  }
  // An 8-bit mono file of `ms` milliseconds at `rate` Hz.
  std::string Song(const std::string& name, uint32_t ms, uint32_t rate = 8000) {
    std::string path = dir.File(name);
    WriteFileBytes(
        path,
        MakeWav(
            {.channels = 1, .rate = rate, .bits = 8, .data = std::string(size_t(uint64_t(ms) * rate / 1000), '\x80')}));
    return path;
  }
  TVySongInfo Info() {
    TVySongInfo info;
    song.GetSongInfo(info);
    return info;
  }
  TVyTimeInfo Time() {
    TVyTimeInfo info;
    song.GetTimeInfo(info);
    return info;
  }
};

// Twelve hours of silence at 96 kHz, 16-bit stereo: more than 16 GiB of PCM.
struct SilentHours : TVyPlayerTAG {
  int CanOpen(const char*) override { return 1; }
  int Open(const char*, unsigned) override {
    Format = TPCMWaveFormat{WAVE_FORMAT_PCM, 2, 96000, 384000, 4, 16};
    BlockSize = 4096;
    Duration = 12 * 3600 * 1000;
    Opened = 1;
    return 0;
  }
  void Close() override { Opened = 0; }
  int Seek(unsigned, unsigned* skipBytes) override {
    *skipBytes = 0;
    return 0;
  }
  int Decode(void* dest, unsigned blocks, unsigned* decodedBlocks) override {
    std::memset(dest, 0, size_t(blocks) * BlockSize);
    *decodedBlocks = blocks;
    return 0;
  }
};

// Silence whose third chunk is held until the test lets it go on.
struct HeldThirdChunk : SilentHours {
  std::atomic<int> decodes{0};
  std::atomic<bool> goOn{false};
  int Decode(void* dest, unsigned blocks, unsigned* decodedBlocks) override {
    if (++decodes == 3) WaitUntil([this] { return goOn.load(); });
    return SilentHours::Decode(dest, blocks, decodedBlocks);
  }
};

std::string Line(const std::string& message, int line) {
  return message + " \\(VySong\\.cpp " + std::to_string(line) + "\\)";
}
}  // namespace

TEST_F(SongOnNullOutput, TrackTextsFollowTheTrackNumber) {
  std::string path = Song("t.wav", 500);
  const std::pair<unsigned, const char*> texts[] = {{0, "ebb"},   {7, "e07"},   {99, "e99"},  {100, "I00"},
                                                    {150, "I50"}, {199, "I99"}, {200, "i00"}, {250, "i50"}};
  for (auto [number, text] : texts) {
    ASSERT_EQ(song.Open(path.c_str(), number, 0), 0);
    EXPECT_STREQ(Info().TrackText, text) << number;
    EXPECT_EQ(Info().TrackNumber, number);
  }
}

TEST_F(SongOnNullOutput, OpenFillsTheSongInformation) {
  ASSERT_EQ(song.Open(Song("my_song_name.wav", 61990).c_str(), 3, 0), 0);
  TVySongInfo info = Info();
  EXPECT_STREQ(info.Title, "my song name");
  EXPECT_EQ(info.Length, 61990u);
  EXPECT_EQ(info.LengthBytes, 495920u);
  EXPECT_EQ(info.PosIncrement, 30000u);
  EXPECT_EQ(info.SampleRate, 8000u);
  EXPECT_EQ(info.BufferSize, 65536u) << "3 s of 8000 bytes a second is less than a chunk: two chunks at least";
  EXPECT_EQ(Time().CueChanged, 1);
  EXPECT_EQ(Time().CueChanged, 0) << "cleared by the reading before";
}

TEST_F(SongOnNullOutput, FailuresShowInTheTitleAndTheReport) {
  WriteFileBytes(dir.File("broken.wav"), "RIFF....not a wave");
  EXPECT_EQ(song.Open(dir.File("broken.wav").c_str(), 1, 0), -1);
  EXPECT_STREQ(Info().Title, "(ERROR) broken.wav");
  EXPECT_THAT(GetLastErrorText(), MatchesRegex(Line("VYSONG: Error abriendo fichero", 376)));

  WriteFileBytes(dir.File("notes.txt"), "hello");
  EXPECT_EQ(song.Open(dir.File("notes.txt").c_str(), 2, 0), -1);
  EXPECT_STREQ(Info().Title, "(Unsupported) notes.txt");
  EXPECT_THAT(GetLastErrorText(), MatchesRegex(Line("VYSONG: Tipo de fichero no soportado", 366)));
  EXPECT_STREQ(Info().TrackText, "e02");

  // A good file in a format the output cannot take.
  EXPECT_EQ(song.Open(Song("dxd.wav", 100, 352800).c_str(), 3, 0), -2);
  EXPECT_STREQ(Info().Title, "(Unsupported) dxd.wav");

  // A name too long for the title loses its middle, not its start or extension.
  EXPECT_EQ(song.Open(dir.File("Artist - " + std::string(300, 'x') + " (Mix).mp3").c_str(), 4, 0), -1);
  EXPECT_THAT(Info().Title, MatchesRegex("\\(Unsupported\\) Artist - x+\\.\\.\\.x+ \\(Mix\\)\\.mp3"));

  // A name no decoder claims is still tried by the first one.
  std::string disguised = dir.File("song.dat");
  WriteFileBytes(disguised, ReadFileBytes(Song("real.wav", 300)));
  EXPECT_EQ(song.Open(disguised.c_str(), 1, 0), 0);
  EXPECT_STREQ(Info().Title, "song");
}

TEST_F(SongOnNullOutput, UnavailableOutputIsShownToTheUserAndTriedAgainNextTime) {
  static std::string shown;
  SetMessageBoxPresenter([](unsigned, const char* caption, const char* text) {
    shown = std::string(caption) + "|" + text;
    return IDOK;
  });
  TGuid missing{{4, 2}};
  song.SetDevice(&missing);
  EXPECT_EQ(song.Open(Song("a.wav", 500).c_str(), 1, 0), -1);
  EXPECT_STREQ(Info().Title, "(Audio error) ");
  const std::string expected =
      "Vy-System|VYSONG: Directsound audio not available. Try closing any other\n"
      "sound application, starting the sound server or choosing another output\n"
      "in Preferences, and opening the file(s) again. Error message follows:\n\n"
      "OzoAudio: Error inicializando DirectSound [DSERR_NODRIVER] (OzoDS.cpp ";
  EXPECT_EQ(shown.substr(0, expected.size()), expected);
  EXPECT_THAT(GetLastErrorText(), ::testing::HasSubstr("(VySong.cpp 333)"));
  song.SetDevice(nullptr);
  EXPECT_EQ(song.Open(Song("a.wav", 500).c_str(), 1, 0), 0);
}

TEST_F(SongOnNullOutput, FailedOpenAfterAGoodOneLeavesTheEngineClosedAndSilent) {
  ASSERT_EQ(song.Open(Song("good.wav", 2000).c_str(), 1, 0), 0);
  song.Service();
  song.Play();
  EXPECT_EQ(song.Open(dir.File("missing.wav").c_str(), 2, 0), -1);
  EXPECT_FALSE(song.IsOpen());
  EXPECT_EQ(song.Buffer().Valid, 0) << "no sound buffer left playing";
  EXPECT_EQ(song.GetPosition(), 0u);
  song.SetPosition(500);  // ignored while closed
  EXPECT_EQ(song.GetPosition(), 0u);
}

TEST_F(SongOnNullOutput, TimeTextsShowElapsedOrRemainingTime) {
  TVyTimeInfo closed = Time();
  EXPECT_STREQ(closed.TimeText, "abb:bb");
  EXPECT_STREQ(closed.HundredthsText, "bb");

  ASSERT_EQ(song.Open(Song("a.wav", 61990).c_str(), 1, 0), 0);
  song.SetTimeMode(1);
  song.SetPosition(1500);
  EXPECT_STREQ(Time().TimeText, "-01:00");
  EXPECT_STREQ(Time().HundredthsText, "49");
  song.SetPosition(999999);
  EXPECT_EQ(song.GetPosition(), 61990u) << "positions beyond the end land on it";
  EXPECT_STREQ(Time().TimeText, "-00:00");
  EXPECT_STREQ(Time().HundredthsText, "00");

  ASSERT_EQ(song.Open(Song("long.wav", 6000000, 100).c_str(), 1, 0), 0);
  song.ToggleTimeMode();
  song.SetPosition(6000000);
  EXPECT_STREQ(Time().TimeText, "a100:00") << "minutes are not limited to two digits";
}

TEST_F(SongOnNullOutput, CueFollowsPositioningAndReturnsThere) {
  ASSERT_EQ(song.Open(Song("a.wav", 10000).c_str(), 1, 0), 0);
  Time();
  song.SetPosition(4321);
  TVyTimeInfo moved = Time();
  EXPECT_EQ(moved.CuePoint, 4321u);
  EXPECT_EQ(moved.CueChanged, 1);
  song.CueFollowsPositioning = 0;
  song.SetPosition(8000);
  EXPECT_EQ(Time().CuePoint, 4321u);
  song.ReturnToCue();
  EXPECT_EQ(song.GetPosition(), 4321u);
  EXPECT_EQ(song.Buffer().RestartPosition, 4321u) << "the sound restarts where the position shows";
}

TEST_F(SongOnNullOutput, PlayOrStopRightAfterASeekIsNotUndoneByTheRestart) {
  ASSERT_EQ(song.Open(Song("a.wav", 10000).c_str(), 1, 0), 0);
  song.Service();
  song.SetPosition(2000);  // restart pending, not playing
  song.Play();
  song.Service();  // carries out the restart
  EXPECT_EQ(song.Buffer().IsPlaying(), 1);
  song.SetPosition(4000);  // restart pending, playing
  song.Stop();
  song.Service();
  EXPECT_EQ(song.Buffer().IsPlaying(), 0);
}

TEST_F(SongOnNullOutput, ElevenDecodersAreOneTooMany) {
  std::vector<TOzoWAVTAG> more(10);
  for (int i = 0; i < 9; ++i) EXPECT_TRUE(song.AddPlayer(&more[size_t(i)]));
  EXPECT_FALSE(song.AddPlayer(&more[9]));
}

// The schedule itself is the search timing's; here, that its steps move the
// song and its cue, and that a search stops at the start.
TEST_F(SongOnNullOutput, SearchStepsMoveThePositionAndTheCue) {
  song.SetCounter({FakeCounter, 1000});
  ASSERT_EQ(song.Open(Song("long.wav", 100000).c_str(), 1, 0), 0);
  song.SetPosition(50000);
  song.Service();
  fakeNow = 0;
  song.StartStepScan(1000, true);
  for (int tick = 1; tick <= 150; ++tick) {  // three seconds of 20 ms cycles
    fakeNow += 20;
    song.Service();
  }
  EXPECT_EQ(song.GetPosition(), 50000u + 19 * 1000) << "a step every 150 ms";
  EXPECT_EQ(Time().CuePoint, song.GetPosition()) << "the cue follows the search";
  song.SetPosition(300);
  song.StartStepScan(-1000, false);  // a replacing search steps at once
  song.Service();
  EXPECT_EQ(song.GetPosition(), 0u) << "never before the start";
}

// Played on a capture mixed on demand: the position is what was heard.
TEST(SongOnSteppedOutput, PositionGoesOnPastFourGibibytesOfSound) {
  TempDir dir;
  SteppedPlayer player(dir.File("capture.wav"));
  SilentHours hours;
  TVySongTAG song;
  ServiceEveryPeriod(player, song);
  song.AddPlayer(&hours);
  ASSERT_EQ(song.Open("twelve.hours", 1, 0), 0);
  constexpr unsigned kElevenHours = 11 * 3600 * 1000;
  song.SetPosition(kElevenHours);
  song.Play();
  player.RunFor(200);
  // The last period mixed is the one being heard: the position is its start.
  const double heardMs = double(player.Now() - PacedBackend::kCapturePeriodFrames) * 1000 / player.Rate();
  EXPECT_NEAR(song.GetPosition() - double(kElevenHours), heardMs, 1.0);
  TVyTimeInfo time;
  song.GetTimeInfo(time);
  EXPECT_STREQ(time.TimeText, "a660:00");
  player.SetCycle(nullptr);
}

// The player fills the ring chunk by chunk under the buffer's lock; the
// window's tick waiting for that lock must get it after the chunk being
// written, not after the whole ring (a full ring takes milliseconds to decode).
TEST(SongRingFill, ACommandWaitingForTheBufferGetsItAfterTheCurrentChunk) {
  ScopedAudioOutput audio{"null"};
  HeldThirdChunk decoder;
  TVySongTAG song;
  song.AddPlayer(&decoder);
  ASSERT_EQ(song.Open("held.third", 1, 0), 0);
  std::thread player([&song] { song.Service(); });  // the restart's chunks, then the ring's
  ASSERT_TRUE(WaitUntil([&] { return decoder.decodes == 3; }));
  std::atomic<int> decodesWhenServed{0};
  // A command's hold on the buffer. The count is read while it is held: once
  // it lets go, the player may fill the rest of the ring at once.
  std::thread window([&] {
    TOzoSyncGuard lock(song.Buffer());
    decodesWhenServed = decoder.decodes.load();
  });
  ASSERT_TRUE(WaitUntil([&] { return song.Buffer().ThreadsWaiting() == 1; }));
  decoder.goOn = true;
  window.join();
  player.join();
  EXPECT_LE(decodesWhenServed, 5);
  EXPECT_GT(decoder.decodes, 8) << "the ring holds more chunks than the command waited for";
  song.Close();
}
