// The deck system run period by period on a capture mixed on demand, its
// counter the capture's clock: the transport state machine, CUE, search,
// track navigation, end of track and the pitch display, with the time
// between presses and the search's schedule exact, whatever the load.
#include "deck/VySystem.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "foundation/OzoError.h"
#include "support/AudioOutput.h"
#include "support/HeardFrames.h"
#include "support/SteppedDeck.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {
struct Deck : ::testing::Test {
  TempDir dir;
  SteppedDeck deck{dir.File("capture.wav")};
  std::string Song(const std::string& name, uint32_t ms = 5000) {
    std::string path = dir.File(name);
    WriteFileBytes(
        path,
        MakeWav({.channels = 1, .rate = 8000, .bits = 8, .data = PatternBytes(size_t(ms) * 8, uint32_t(name.size()))}));
    return path;
  }
  void Prefer(uint32_t flags, uint8_t end = etStop) {
    TVyPreferences p;
    p.Flags = flags;
    p.EndOfTrack = end;
    deck->SetPreferences(p);
  }
  bool Playing() { return deck->Song.Buffer().WillPlay(); }  // a loop pause counts as playing
  unsigned Cue() {
    TVyPlayInfo info;
    deck->GetPlayInfo(info);
    return info.Time.CuePoint;
  }
};
}  // namespace

TEST_F(Deck, TransportFollowsItsStateTable) {
  deck->PlayPause();
  EXPECT_EQ(deck->State, dsEmpty) << "nothing loaded: nothing plays";
  Prefer(pfFastOpen);
  ASSERT_EQ(deck->OpenFiles(Song("a.wav"), 0), 0);
  EXPECT_EQ(deck->State, dsPaused);
  EXPECT_FALSE(Playing());

  deck->PlayPause();
  EXPECT_EQ(deck->State, dsPlaying);
  EXPECT_TRUE(Playing());
  deck->Seek(1500);
  deck->PlayPause();
  EXPECT_EQ(deck->State, dsPaused);
  EXPECT_EQ(Cue(), deck->Song.GetPosition()) << "pausing makes the paused position the cue point";

  deck->CueDown();
  EXPECT_EQ(deck->State, dsCued) << "without hold-to-play, CUE only changes the state";
  deck->PlayPause();
  deck->Seek(3000);
  deck->CueDown();  // playing: back to the cue point, stopped
  EXPECT_EQ(deck->State, dsCued);
  EXPECT_FALSE(Playing());
  EXPECT_EQ(deck->Song.GetPosition(), 3000u) << "the seek moved the cue";

  deck->PlayPause();
  deck->ForwardDown(0);
  EXPECT_EQ(deck->State, dsSearching);
  deck->ForwardUp();
  EXPECT_EQ(deck->State, dsSearching) << "released: the snippet keeps looping";
  EXPECT_EQ(deck->Song.Buffer().LoopMode, 1);
  deck->PlayPause();
  EXPECT_EQ(deck->State, dsPlaying);
  EXPECT_EQ(deck->Song.Buffer().LoopMode, 0) << "leaving the search ends the loop";
  EXPECT_EQ(Cue(), deck->Song.GetPosition()) << "and sets the cue where the search ended";
}

TEST_F(Deck, SearchStartsFromAStoppedDeckAndCueEndsItWhereItGot) {
  Prefer(pfFastOpen);
  ASSERT_EQ(deck->OpenFiles(Song("a.wav"), 0), 0);
  deck->Seek(1000);
  deck->ForwardDown(kModCtrl);  // from paused: 100 ms steps, audible
  EXPECT_EQ(deck->State, dsSearching);
  EXPECT_TRUE(deck.RunUntil([&] { return deck->Song.GetPosition() >= 1300; }));
  EXPECT_TRUE(Playing()) << "the snippet is heard";
  deck->ForwardUp();
  const unsigned reached = deck->Song.GetPosition();
  deck->CueDown();
  EXPECT_EQ(deck->State, dsCued);
  EXPECT_FALSE(Playing());
  EXPECT_EQ(deck->Song.Buffer().LoopMode, 0);
  EXPECT_EQ(Cue(), reached) << "the cue is where the search ended";
  EXPECT_EQ(deck->Song.GetPosition(), reached);

  deck->RewindDown(kModShift);  // from cued: 10 ms steps back
  EXPECT_EQ(deck->State, dsSearching);
  EXPECT_TRUE(deck.RunUntil([&] { return deck->Song.GetPosition() < reached; }));
  deck->RewindUp();
  EXPECT_EQ(deck->PrevTrack(0), 1) << "Previous while searching restarts the track and plays";
  EXPECT_EQ(deck->State, dsPlaying);
  EXPECT_EQ(deck->Song.Buffer().LoopMode, 0);
  EXPECT_TRUE(deck.RunUntil([&] { return Playing() && deck->Song.GetPosition() < 1000; }));
}

// Any mask but the modifier combinations gives the accelerating search: its
// first step comes after 200 ms, where a fixed step would come after 150.
TEST_F(Deck, UnknownSearchMaskStartsTheAcceleratingSearch) {
  Prefer(pfFastOpen);
  ASSERT_EQ(deck->OpenFiles(Song("a.wav"), 0), 0);
  deck->Seek(1000);
  deck->ForwardDown(kModShift | 8);
  deck.RunFor(185);  // player cycles of 20 ms and a bit: a fixed step would have come
  EXPECT_EQ(deck->Song.GetPosition(), 1000u) << "no 10 ms step at 150 ms";
  EXPECT_TRUE(deck.RunUntil([&] { return deck->Song.GetPosition() == 1010; }, 60)) << "a 10 ms step after 200";
}

// A ring of the usual length holds less than one chunk of such a file.
TEST_F(Deck, LowRateFilePlaysPastItsFirstChunkToItsEnd) {
  Prefer(pfFastOpen | pfPlayWhenOpen, etStop);
  ASSERT_EQ(deck->OpenFiles(Song("long.wav", 4600), 0), 0);  // 8000 bytes a second: a chunk is 4.1 s
  EXPECT_TRUE(deck.RunUntil([&] { return deck->State == dsCued; }, 7000)) << "the end is reached";
}

TEST_F(Deck, HoldToPlayCuePlaysWhileHeldAndReturnsOnRelease) {
  Prefer(pfFastOpen | pfPioneerCue);
  ASSERT_EQ(deck->OpenFiles(Song("a.wav"), 0), 0);
  deck->Seek(2000);
  deck->CueDown();
  EXPECT_EQ(deck->State, dsPlaying);
  EXPECT_TRUE(deck.RunUntil([&] { return deck->Song.GetPosition() > 2100; }));
  deck->CueUp();
  EXPECT_EQ(deck->State, dsCued);
  EXPECT_EQ(deck->Song.GetPosition(), 2000u);
  EXPECT_FALSE(Playing());

  deck->CueDown();
  deck->PlayPause();  // Play while CUE is held
  deck->CueUp();
  EXPECT_EQ(deck->State, dsPlaying) << "keeps playing after CUE is released";
}

TEST_F(Deck, TracksMoveClampWrapAndRestart) {
  Prefer(pfFastOpen | pfPlayListLoop);
  ASSERT_EQ(deck->OpenFiles(Song("1.wav") + "\n" + Song("2.wav") + "\n" + Song("3.wav"), 0), 0);
  EXPECT_EQ(deck->NextTrack(kTrackCtrl), 1);
  EXPECT_EQ(deck->PlayList.CurrentIndex, 2) << "Ctrl+Next clamps to the last entry";
  EXPECT_EQ(deck->DeckInfo.SongInfo.TrackNumber, 3u);
  EXPECT_EQ(deck->NextTrack(0), 1);
  EXPECT_EQ(deck->PlayList.CurrentIndex, 0) << "Next on the last entry wraps round with the loop on";

  deck->Seek(3000);
  deck.RunFor(5000);
  EXPECT_EQ(deck->PrevTrack(0), 0) << "a single press restarts the track";
  EXPECT_EQ(deck->Song.GetPosition(), 0u);
  EXPECT_EQ(deck->PlayList.CurrentIndex, 0);
  deck->Seek(3000);
  deck.RunFor(1500);
  EXPECT_EQ(deck->PrevTrack(0), 1) << "a second press within two seconds goes back";
  EXPECT_EQ(deck->PlayList.CurrentIndex, 2) << "from the first entry it wraps to the last";
  deck.RunFor(5000);
  EXPECT_EQ(deck->PrevTrack(0), 1) << "at position 0 it goes back at once";
  EXPECT_EQ(deck->PlayList.CurrentIndex, 1);
}

TEST_F(Deck, SecuredTrackChangeIsRefusedWhileAudible) {
  Prefer(pfFastOpen | pfSecureTrack);
  ASSERT_EQ(deck->OpenFiles(Song("1.wav") + "\n" + Song("2.wav"), 0), 0);
  deck->PlayPause();
  EXPECT_EQ(deck->NextTrack(0), 0);
  EXPECT_EQ(deck->PlayList.CurrentIndex, 0);
  deck->SetVolume(0);
  EXPECT_EQ(deck->NextTrack(0), 1);
  EXPECT_EQ(deck->State, dsPaused) << "without play-when-track, the new track waits";
}

TEST_F(Deck, EndOfTrackStopsAdvancesOrRestarts) {
  const std::string list = Song("1.wav", 400) + "\n" + Song("2.wav", 400);
  Prefer(pfFastOpen | pfPlayWhenOpen | pfPlayWhenTrack, etNext);
  ASSERT_EQ(deck->OpenFiles(list, 0), 0);
  ASSERT_TRUE(deck.RunUntil([&] { return deck->PlayList.CurrentIndex == 1; })) << "etNext loads the next entry";
  EXPECT_EQ(deck->State, dsPlaying);
  ASSERT_TRUE(deck.RunUntil([&] { return deck->State == dsCued; })) << "the last entry without loop returns to the cue";
  EXPECT_EQ(deck->Song.GetPosition(), 0u);

  Prefer(pfFastOpen | pfPlayWhenOpen | pfPlayWhenTrack | pfPlayListLoop, etNext);
  deck->PlayPause();
  ASSERT_TRUE(deck.RunUntil([&] { return deck->PlayList.CurrentIndex == 0; })) << "with loop: back to the first";
  EXPECT_EQ(deck->State, dsPlaying);

  Prefer(pfFastOpen, etRestart);
  ASSERT_TRUE(deck.RunUntil([&] { return deck->Song.GetPosition() > 300; }));
  ASSERT_TRUE(deck.RunUntil([&] { return deck->Song.GetPosition() < 100; })) << "etRestart starts over";
  EXPECT_EQ(deck->State, dsPlaying);

  Prefer(pfFastOpen, etStop);
  ASSERT_TRUE(deck.RunUntil([&] { return deck->State == dsCued; }));
}

// A missing entry mid-set is passed over whichever way the deck travels,
// and the deck plays on: heard as sound without a silent stretch.
TEST_F(Deck, EntriesThatCannotOpenAreSkippedAndTheDeckPlaysOn) {
  Prefer(pfFastOpen | pfPlayWhenOpen | pfPlayWhenTrack, etNext);
  const std::string missing = dir.File("missing.wav");
  ASSERT_EQ(deck->OpenFiles(Song("1.wav", 400) + "\n" + missing + "\n" + Song("3.wav"), 0), 0);
  ASSERT_TRUE(deck.RunUntil([&] { return deck->PlayList.CurrentIndex == 2; })) << "the end of track skips it";
  EXPECT_EQ(deck->State, dsPlaying);
  EXPECT_EQ(deck->DeckInfo.SongInfo.TrackNumber, 3u);
  deck.RunFor(300);
  EXPECT_EQ(deck->PrevTrack(0), 1);
  EXPECT_EQ(deck->PlayList.CurrentIndex, 0) << "Previous skips it backwards";
  EXPECT_EQ(deck->NextTrack(0), 1);
  EXPECT_EQ(deck->PlayList.CurrentIndex, 2) << "Next skips it forwards";
  EXPECT_EQ(deck->State, dsPlaying) << "playing stays playing";
  deck.RunFor(300);

  const Capture heard = deck.Finish();
  const size_t window = heard.rate / 10;
  for (size_t at = FirstSound(heard); at + window <= heard.left.size(); at += window)
    ASSERT_GT(Rms(heard.left, at, at + window), 0.01) << "silent at " << at * 1000 / heard.rate << " ms";
}

TEST_F(Deck, FailedLoadsLeaveTheDeckEmptyAndAreReported) {
  Prefer(pfFastOpen);
  EXPECT_EQ(deck->OpenFiles(dir.File("missing.wav"), 0), -2);
  EXPECT_EQ(deck->State, dsEmpty);
  EXPECT_STREQ(deck->DeckInfo.SongInfo.Title, "(ERROR) missing.wav");
  EXPECT_EQ(deck->SongInfoChanged, 1);
  EXPECT_EQ(deck->OpenFiles("", 0), -2) << "an empty list loads nothing";
  EXPECT_EQ(deck->State, dsEmpty);
  ASSERT_EQ(deck->OpenFiles(Song("1.wav") + "\n" + Song("2.wav"), 0), 0);
  deck->NextTrack(0);
  EXPECT_EQ(deck->OpenFiles(dir.File("missing.m3u"), 0), -2);
  EXPECT_STREQ(deck->DeckInfo.SongInfo.Title, "(ERROR) missing.m3u");
  EXPECT_STREQ(deck->DeckInfo.SongInfo.TrackText, "ebb") << "no track counter left from the last list";
  EXPECT_NE(std::string(GetLastErrorText()).find("Can't read playlist"), std::string::npos)
      << "the playlist's reason is kept: " << GetLastErrorText();
}

// Nothing ever writes to a pipe named like a song: no decoder may wait for
// it. One that did is let go by a writer after a while, so the test fails
// rather than hangs.
TEST_F(Deck, APipeNamedLikeASongFailsToLoadAtOnce) {
  for (const std::string name : {"pipe.mp3", "pipe.wav", "pipe.flac"}) {
    const std::string path = dir.File(name);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    std::atomic<bool> loaded{false}, letGo{false};
    std::thread writer([&] {
      while (!WaitUntil([&] { return loaded.load(); }, 5))
        if (const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK); fd >= 0) letGo = true, close(fd);
    });
    EXPECT_EQ(deck->OpenFiles(path, 0), -2) << name;
    loaded = true;
    writer.join();
    EXPECT_FALSE(letGo) << name << ": the load waited for a writer";
    EXPECT_EQ(deck->DeckInfo.SongInfo.Title, "(ERROR) " + name);
  }
  EXPECT_EQ(deck->OpenFiles(Song("good.wav"), 0), 0) << "the deck stays usable";
}

TEST_F(Deck, PitchTextShowsSignTensGlyphAndHundredths) {
  const std::pair<int, const char*> texts[] = {
      {0, "a e0.00"}, {350, "+ e3.50"}, {-53, "- e0.53"}, {-1000, "- I0.00"}, {1600, "+ I6.00"}};
  TVyPitchInfo info;
  for (auto [pitch, text] : texts) {
    deck->GetPitchInfo(info);
    deck->NudgePitch(pitch - info.Pitch);
    deck->GetPitchInfo(info);
    EXPECT_EQ(info.Pitch, pitch);
    EXPECT_STREQ(info.PitchText, text) << pitch;
  }
  TVyPreferences wide;
  wide.PitchRange = pr20;
  deck->SetPreferences(wide);
  deck->NudgePitch(5000);
  deck->GetPitchInfo(info);
  EXPECT_STREQ(info.PitchText, "+ I9.99") << "the widest range tops out at 19.99";
  deck->TogglePitch();
  deck->GetPitchInfo(info);
  EXPECT_STREQ(info.PitchText, "a ebcbb");
}
