#include "audio/decoders/Id3Tag.h"

#include <gtest/gtest.h>

#include <string>

#include "support/TempDir.h"

namespace {
std::string Tag(const std::string& title, const std::string& artist) {
  std::string tag = "TAG" + std::string(125, '\0');
  tag.replace(3, title.size(), title);
  tag.replace(33, artist.size(), artist);
  return tag;
}
std::string TitleOf(const std::string& tag) {
  char title[200];
  Id3v1Title(reinterpret_cast<const uint8_t*>(tag.data()), title, sizeof title);
  return title;
}
uint32_t Id3v2Size(const std::string& head) { return Id3v2TagSize(reinterpret_cast<const uint8_t*>(head.data())); }
}  // namespace

TEST(Id3v1Title, JoinsArtistAndTitleOrShowsTheOneThatIsThere) {
  EXPECT_EQ(TitleOf(Tag("Night Drive", "Ozo")), "Ozo - Night Drive");
  EXPECT_EQ(TitleOf(Tag(std::string(30, ' '), "Ozzy" + std::string(26, ' '))), "Ozzy");
  EXPECT_EQ(TitleOf(Tag("Only Title   ", "")), "Only Title");
  EXPECT_EQ(TitleOf(Tag("", "")), "");
}

TEST(Id3v1Title, FieldsStopAt30CharactersAndTheTagMustStartWithTAG) {
  // Full fields run into the next field in the tag; only 30 characters count.
  std::string tag = Tag(std::string(30, 'T'), std::string(30, 'A'));
  tag.replace(63, 4, "1999");
  EXPECT_EQ(TitleOf(tag), std::string(30, 'A') + " - " + std::string(30, 'T'));
  tag[0] = 't';
  EXPECT_EQ(TitleOf(tag), "");
}

TEST(Id3v1Title, IsReadFromTheLast128BytesOfAFile) {
  TempDir dir;
  char title[200] = "stale";
  WriteFileBytes(dir.File("a.mp3"), std::string(1000, '\x11') + Tag("Song", "Band"));
  EXPECT_TRUE(ReadId3v1Title(dir.File("a.mp3").c_str(), title, sizeof title));
  EXPECT_STREQ(title, "Band - Song");
  WriteFileBytes(dir.File("b.mp3"), Tag("Song", "Band") + std::string(1000, '\x11'));
  EXPECT_FALSE(ReadId3v1Title(dir.File("b.mp3").c_str(), title, sizeof title));
  EXPECT_STREQ(title, "");
  WriteFileBytes(dir.File("short.mp3"), "TAG");
  EXPECT_FALSE(ReadId3v1Title(dir.File("short.mp3").c_str(), title, sizeof title));
  EXPECT_FALSE(ReadId3v1Title(dir.File("missing.mp3").c_str(), title, sizeof title));
}

TEST(Id3v2TagSize, CountsHeaderSyncsafeBodyAndFooter) {
  EXPECT_EQ(Id3v2Size(std::string("ID3\x04\0\0\0\0\x02\x01", 10)), 10u + 257u);
  EXPECT_EQ(Id3v2Size(std::string("ID3\x04\0\x10\0\0\x02\x01", 10)), 20u + 257u);
  EXPECT_EQ(Id3v2Size(std::string("ID3\x04\0\0\0\0\x82\x01", 10)), 0u);  // not syncsafe
  EXPECT_EQ(Id3v2Size(std::string("ID4\x04\0\0\0\0\x02\x01", 10)), 0u);
}
