#include "foundation/StringList.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace {
std::vector<std::string> Entries(const TStringList& list) {
  std::vector<std::string> entries;
  for (int i = 0; i < list.Count(); ++i) entries.push_back(list.Strings(i));
  return entries;
}
using Lines = std::vector<std::string>;
}  // namespace

TEST(StringListText, SplitsAtEveryKindOfLineBreak) {
  TStringList list;
  list.SetText("crlf\r\ncr\rlf\nlast");
  EXPECT_EQ(Entries(list), (Lines{"crlf", "cr", "lf", "last"}));

  list.SetText("one\n");
  EXPECT_EQ(Entries(list), (Lines{"one"})) << "a final break adds no empty line";
  list.SetText("one\n\n");
  EXPECT_EQ(Entries(list), (Lines{"one", ""}));
  list.SetText("\r\n\n\r");
  EXPECT_EQ(Entries(list), (Lines{"", "", ""}));
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
  list.SetText(std::string("before\0after\n", 13));
  EXPECT_EQ(Entries(list), (Lines{"before"})) << "the text ends at a NUL";
}

TEST(StringListText, JoinsWithThePlatformLineBreak) {
  TStringList list;
  list.SetText("a\r\nb\rc");
  EXPECT_EQ(list.GetText(), "a\nb\nc\n");
  TStringList again;
  again.SetText(list.GetText());
  EXPECT_EQ(Entries(again), Entries(list));
}

TEST(StringListItems, KeepTheirObjectsThroughExchangeAndDelete) {
  TStringList list;
  int first = 1, second = 2;
  list.Add("first", &first);
  list.Add("second", &second);
  list.Add("third");
  list.Exchange(0, 1);
  EXPECT_EQ(list.Strings(0), "second");
  EXPECT_EQ(list.Objects(0), &second);
  EXPECT_EQ(list.Objects(1), &first);
  list.Delete(0);
  EXPECT_EQ(Entries(list), (Lines{"first", "third"}));
  EXPECT_EQ(list.Objects(1), nullptr);
}

TEST(StringListFile, LoadsLinesOrReportsFailureAsResult) {
  TempDir dir;
  WriteFileBytes(dir.File("set.m3u"), "#EXTM3U\r\ntrack01.mp3\r\n\r\n/abs/track02.mp3");
  TStringList list;
  ASSERT_EQ(list.LoadFromFile(dir.File("set.m3u")), 0);
  EXPECT_EQ(Entries(list), (Lines{"#EXTM3U", "track01.mp3", "", "/abs/track02.mp3"}));

  EXPECT_EQ(list.LoadFromFile(dir.File("missing.m3u")), -1);
  EXPECT_EQ(list.Count(), 0);
  list.Add("x");
  EXPECT_EQ(list.LoadFromFile(dir.Path()), -1) << "a folder is not a readable file";
  EXPECT_EQ(list.Count(), 0);
}
