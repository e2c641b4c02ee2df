// The analysis cache that every deck process shares.
#include "analysis/AnalysisCache.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "support/TempDir.h"

namespace {
constexpr int kTracksPerDeck = 150;

TTrackKey Key(int deck, int track) { return {"/music/deck" + std::to_string(deck) + "/" + std::to_string(track) + ".mp3", 1000 + track, 7, uint64_t(track)}; }

TTrackAnalysis Analysis(int deck, int track) {
  TTrackAnalysis analysis{.bpm = 100.0 + deck + track / 1000.0, .loudnessLufs = -track / 10.0};
  analysis.overview.assign(kOverviewColumns, {float(deck) / 4, float(track) / kTracksPerDeck});
  return analysis;
}

// Runs `work` in two processes at once, as two decks would; true when both succeed.
bool InTwoProcessesAtOnce(const std::function<bool(int deck)>& work) {
  pid_t children[2];
  for (int deck = 0; deck < 2; ++deck)
    if ((children[deck] = fork()) == 0) _exit(work(deck) ? 0 : 1);
  bool succeeded = true;
  for (pid_t child : children) {
    int status = 0;
    succeeded = waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0 && succeeded;
  }
  return succeeded;
}
}  // namespace

// Two decks storing at the same moment lose nothing, and each then reads
// what both stored.
TEST(AnalysisCache, TwoDeckProcessesWriteAtOnceThenBothReadEverything) {
  TempDir dir;
  const std::string path = dir.File("analysis.sqlite");
  EXPECT_TRUE(InTwoProcessesAtOnce([&](int deck) {
    TAnalysisCache cache(path);
    for (int track = 0; track < kTracksPerDeck; ++track) cache.Store(Key(deck, track), Analysis(deck, track));
    return cache.Usable();
  }));
  EXPECT_TRUE(InTwoProcessesAtOnce([&](int) {
    TAnalysisCache cache(path);
    for (int deck = 0; deck < 2; ++deck)
      for (int track = 0; track < kTracksPerDeck; ++track) {
        const std::optional<TTrackAnalysis> found = cache.Find(Key(deck, track));
        const TTrackAnalysis expected = Analysis(deck, track);
        if (!found || found->bpm != expected.bpm || found->loudnessLufs != expected.loudnessLufs ||
            found->overview.size() != kOverviewColumns || found->overview.back().rms != expected.overview.back().rms)
          return false;
      }
    return true;
  }));
}

// A file changed in place (re-encoded, re-tagged) is a new track to the cache.
TEST(AnalysisCache, AFileChangedInPlaceIsNotKnown) {
  TempDir dir;
  const std::string track = dir.File("track.mp3");
  WriteFileBytes(track, std::string(200000, 'a'));
  const std::optional<TTrackKey> key = TrackKeyOf(track);
  ASSERT_TRUE(key);
  TAnalysisCache cache(dir.File("analysis.sqlite"));
  cache.Store(*key, Analysis(0, 1));
  EXPECT_TRUE(cache.Find(*TrackKeyOf(track)));
  std::string changed(200000, 'a');
  changed[199999] = 'b';  // same size, same time (a tool that keeps it), last byte only
  const auto modified = std::filesystem::last_write_time(track);
  WriteFileBytes(track, changed);
  std::filesystem::last_write_time(track, modified);
  EXPECT_FALSE(cache.Find(*TrackKeyOf(track)));
}
