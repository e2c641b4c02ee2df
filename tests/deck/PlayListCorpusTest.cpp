// Playlists written by other players load into the tracks a DJ would expect.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "PlayListTesting.h"
#include "support/TempDir.h"

using testing::ElementsAreArray;

namespace {
class PlayListCorpus : public PlayListTest {
 protected:
  void SetUp() override {
    if (corpus_.empty()) GTEST_SKIP() << "no public playlists beside the project";
  }
  std::string File(const std::string& name) const { return corpus_ + "/mopidy/" + name; }

 private:
  std::string corpus_ = CorpusDir("m3u");
};

TEST_F(PlayListCorpus, PlainExtendedLatin1CommentedAndEmptyListsGiveTracksThatOpenBesideThem) {
  const std::vector<std::string> song1 = {"song1.mp3"}, none = {}, latin1 = {"\xE6\xF8\xE5.mp3"};
  struct Case {
    const char* file;
    std::vector<std::string> tracks;
  } cases[] = {
      {"one.m3u", song1},
      {"one-ext.m3u", song1},
      {"two-ext.m3u", {"song1.mp3", "song2.mp3"}},
      {"comment.m3u", song1},
      {"comment-ext.m3u", song1},
      {"encoding.m3u", latin1},  // names are bytes: kept as written
      {"encoding-ext.m3u", latin1},
      {"empty.m3u", none},
      {"empty-ext.m3u", none},
      {"scanner/playlist.m3u", {"http://example.com/"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(list.Load(File(c.file), false), int(c.tracks.size())) << c.file;
    EXPECT_THAT(Entries(), ElementsAreArray(c.tracks)) << c.file;
    EXPECT_EQ(list.CurrentIndex, c.tracks.empty() ? -1 : 0) << c.file;
  }
  list.Load(File("two-ext.m3u"), false);
  for (const std::string& track : Entries()) EXPECT_EQ(access(track.c_str(), R_OK), 0) << "resolves beside the list";
}

}  // namespace
