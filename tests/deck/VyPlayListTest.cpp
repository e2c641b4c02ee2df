#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "PlayListTesting.h"
#include "deck/VyM3U.h"
#include "foundation/OzoError.h"
#include "support/TempDir.h"

using testing::ElementsAre;
using testing::IsEmpty;
using testing::MatchesRegex;

namespace {
class PlayList : public PlayListTest {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    WriteFileBytes(dir.File(name), bytes);
    return dir.File(name);
  }
  std::string DirCanonical() const { return std::filesystem::canonical(dir.Path()).string(); }

  TempDir dir;
};

TEST_F(PlayList, SinglePlaylistExpandsAndItsRelativeNamesOpenFromItsFolder) {
  Write("track01.mp3", "audio");
  std::string set = Write("set.m3u", "track01.mp3\nsub/track02.mp3\n");
  EXPECT_EQ(list.Load(set + "\n", true), 2);
  EXPECT_THAT(Entries(), ElementsAre("track01.mp3", "sub/track02.mp3")) << "a playlist is never reversed";
  EXPECT_EQ(list.CurrentIndex, 0);
  EXPECT_EQ(GetCurrentDirectory(), DirCanonical());
  EXPECT_EQ(access("track01.mp3", R_OK), 0);
}

TEST_F(PlayList, PlaylistExtensionsMatchInAnyCaseIncludingM3U8) {
  for (const char* name : {"a.M3U", "b.m3u8", "c.M3u8"}) {
    EXPECT_EQ(list.Load(Write(name, "song.mp3"), false), 1) << name;
    EXPECT_THAT(Entries(), ElementsAre("song.mp3")) << name;
  }
}

TEST_F(PlayList, SeveralNamesDropPlaylistsAndNamesWithoutExtension) {
  std::string set = Write("set.m3u", "other.mp3\n");
  std::string before = GetCurrentDirectory();
  EXPECT_EQ(list.Load("/m/a.mp3\r\n" + set + "\r\n/m/b.M3U8\r\n/m/noext\r\n/m/c.wav", false), 2);
  EXPECT_THAT(Entries(), ElementsAre("/m/a.mp3", "/m/c.wav"));
  EXPECT_EQ(GetCurrentDirectory(), before) << "a dropped playlist is not read";
}

TEST_F(PlayList, SoundFileTypesInAPlaylistAreTracks) {
  std::string set = Write("set.m3u", "a.flac\nb.AIFF\nc.aif\nd.aifc\ne.ogg\nf.oga\ng.Opus\n");
  EXPECT_EQ(list.Load(set, false), 7);
  EXPECT_THAT(Entries(), ElementsAre("a.flac", "b.AIFF", "c.aif", "d.aifc", "e.ogg", "f.oga", "g.Opus"));
}

TEST_F(PlayList, ReverseTurnsTheSelectionAroundAndStartsAtItsNewFirst) {
  EXPECT_EQ(list.Load("/m/1.mp3\n/m/2.mp3\n/m/3.mp3", true), 3);
  EXPECT_THAT(Entries(), ElementsAre("/m/3.mp3", "/m/2.mp3", "/m/1.mp3"));
  EXPECT_EQ(list.CurrentIndex, 0);
  list.Load("/m/1.mp3\n/m/2.mp3", false);
  EXPECT_THAT(Entries(), ElementsAre("/m/1.mp3", "/m/2.mp3"));
}

TEST_F(PlayList, SingleNameStaysWholeWhateverItsExtensionOrLength) {
  std::string longName = "/m/" + std::string(400, 'x');
  EXPECT_EQ(list.Load(longName, false), 1);
  EXPECT_THAT(Entries(), ElementsAre(longName));
}

TEST_F(PlayList, EmptyOrBlankTextLeavesNoCurrentEntry) {
  list.Load("/m/a.mp3\n/m/b.mp3", false);
  for (const char* text : {"", "\n", " \t\r\n\r\n"}) {
    EXPECT_EQ(list.Load(text, false), 0);
    EXPECT_EQ(list.CurrentIndex, -1);
  }
  EXPECT_EQ(list.Load("\n" + Write("set.m3u", "x.mp3") + "\n\n", false), 1) << "blank lines hide no playlist";
}

TEST_F(PlayList, CommentsDirectivesBlankLinesAndPlaylistsAreNotEntries) {
  std::string set = Write("set.m3u",
                          "#EXTM3U\n#EXTINF:215,Artist - One\nsong1.mp3\n\n   \n"
                          "# a comment\n#EXTINF:-1,Two\nsong2.mp3\nset.m3u\nother.M3U8\n");
  EXPECT_EQ(list.Load(set, false), 2);
  EXPECT_THAT(Entries(), ElementsAre("song1.mp3", "song2.mp3"));
  EXPECT_EQ(list.Load(Write("tags.m3u", "#EXTM3U\n#EXTINF:1,x\n"), false), 0);
  EXPECT_EQ(list.CurrentIndex, -1);
}

TEST_F(PlayList, WindowsMadePlaylistsResolveWithPosixSeparators) {
  std::string set =
      Write("win.m3u", "\xEF\xBB\xBF#EXTM3U\r\nsub\\one.mp3\r\n..\\up\\two.mp3\r\n/abs/odd\\name.mp3\r\n");
  list.Load(set, false);
  EXPECT_THAT(Entries(), ElementsAre("sub/one.mp3", "../up/two.mp3", "/abs/odd\\name.mp3"));
  list.Load(Write("bom.m3u8", "\xEF\xBB\xBFsong.mp3\n"), false);
  EXPECT_THAT(Entries(), ElementsAre("song.mp3")) << "the mark is not part of the first name";
}

TEST_F(PlayList, UnreadablePlaylistLeavesAnEmptyListAndSaysWhy) {
  std::filesystem::create_directory(dir.File("folder.m3u"));
  ASSERT_EQ(mkfifo(dir.File("pipe.m3u").c_str(), 0600), 0);
  std::filesystem::resize_file(Write("huge.m3u", ""), (16 << 20) + 1);
  struct Case {
    const char* name;
    const char* reason;
  } cases[] = {{"missing.m3u", "No such file or directory"},
               {"folder.m3u", "not a regular file"},
               {"pipe.m3u", "not a regular file"},
               {"huge.m3u", "larger than 16 MiB"}};
  std::string before = GetCurrentDirectory();
  for (const Case& c : cases) {
    list.Load("/m/a.mp3\n/m/b.mp3", false);
    EXPECT_EQ(list.Load(dir.File(c.name), false), 0) << c.name;
    EXPECT_EQ(list.CurrentIndex, -1) << c.name;
    EXPECT_THAT(GetLastErrorText(), MatchesRegex("VyPlayList: Can't read playlist .*/" + std::string(c.name) + ": " +
                                                 c.reason + " \\(VyM3U\\.cpp [0-9]+\\)"));
    EXPECT_EQ(GetCurrentDirectory(), before) << c.name;
  }
}
}  // namespace
