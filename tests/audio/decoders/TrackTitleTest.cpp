// The title each tag family gives, asked of the decoder that plays the file:
// the same text as the tag, beyond ASCII and in every ID3v2 text encoding;
// and a tag that cannot be read costs the title, never the file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/decoders/TrackDecoders.h"
#include "support/Mp3Fixtures.h"
#include "support/TempDir.h"

namespace {
// As the fixture script tags its files.
const char kArtist[] = "Björk Guðmundsdóttir";
const char kTitle[] = "Jóga ♫ 東京";
const std::u16string kArtist16 = u"Björk Guðmundsdóttir";
const std::u16string kTitle16 = u"Jóga ♫ 東京";
const std::u16string kLatinTitle16 = u"Jóga";  // what Latin-1 can hold

enum TextEncoding : uint8_t { kLatin1, kUtf16Bom, kUtf16Be, kUtf8 };

std::string Bytes(std::initializer_list<uint32_t> values) {
  std::string out;
  for (uint32_t v : values) out += char(v);
  return out;
}
std::string SyncSafe(uint32_t n) { return Bytes({n >> 21 & 0x7F, n >> 14 & 0x7F, n >> 7 & 0x7F, n & 0x7F}); }
std::string BigEndian(uint32_t n, int bytes) {
  std::string out;
  for (int i = bytes - 1; i >= 0; --i) out += char(n >> (8 * i));
  return out;
}
std::string LittleEndian32(uint32_t n) { return Bytes({n, n >> 8, n >> 16, n >> 24}); }

// A text frame's body: the encoding byte, then the text (BMP characters only).
std::string FrameText(const std::u16string& text, TextEncoding encoding) {
  std::string out(1, char(encoding));
  for (char16_t c : text) {
    if (encoding == kLatin1) out += char(c);
    if (encoding == kUtf16Bom) out += Bytes({c, uint32_t(c) >> 8});
    if (encoding == kUtf16Be) out += Bytes({uint32_t(c) >> 8, c});
    if (encoding == kUtf8 && c < 0x80) out += char(c);
    if (encoding == kUtf8 && c >= 0x80 && c < 0x800) out += Bytes({0xC0u | c >> 6, 0x80u | (c & 0x3F)});
    if (encoding == kUtf8 && c >= 0x800) out += Bytes({0xE0u | c >> 12, 0x80u | (c >> 6 & 0x3F), 0x80u | (c & 0x3F)});
  }
  return encoding == kUtf16Bom ? out.insert(1, "\xFF\xFE") : out;
}

std::string Frame(int version, const std::string& id, const std::string& body) {
  if (version == 2) return id + BigEndian(uint32_t(body.size()), 3) + body;
  const uint32_t size = uint32_t(body.size());
  return id + (version == 4 ? SyncSafe(size) : BigEndian(size, 4)) + std::string(2, '\0') + body;
}

std::string Id3v2Tag(int version, const std::string& frames) {
  return "ID3" + Bytes({uint32_t(version), 0, 0}) + SyncSafe(uint32_t(frames.size())) + frames;
}

std::string Id3v2Title(int version, TextEncoding encoding, const std::u16string& title) {
  return Id3v2Tag(version, Frame(version, version == 2 ? "TP1" : "TPE1", FrameText(kArtist16, encoding)) +
                               Frame(version, version == 2 ? "TT2" : "TIT2", FrameText(title, encoding)));
}

// An APEv2 tag, footer only, as taggers append it to an MP3.
std::string ApeTag() {
  std::string items;
  for (const auto& [key, value] : {std::pair{"Artist", kArtist}, std::pair{"Title", kTitle}})
    items += LittleEndian32(uint32_t(std::string(value).size())) + LittleEndian32(0) + key + '\0' + value;
  return items + "APETAGEX" + LittleEndian32(2000) + LittleEndian32(uint32_t(items.size() + 32)) + LittleEndian32(2) +
         LittleEndian32(0) + std::string(8, '\0');
}

std::string Shown(const std::string& title) { return std::string(kArtist) + " - " + title; }

void ExpectTitle(const std::string& path, const std::string& shown) {
  TTrackDecoders decoders;
  TVyPlayerTAG* decoder = decoders.Open(path.c_str(), 0);
  ASSERT_NE(decoder, nullptr) << path;
  EXPECT_STREQ(decoder->GetTitle(), shown.c_str()) << path;
}
}  // namespace

TEST(TrackTitles, EveryTagFamilyGivesTheTagsTextAsArtistDashTitle) {
  TempDir dir;
  const std::string mp3 = ReadFileBytes(Mp3Fixture("cbr128.mp3"));
  const struct {
    int version;
    TextEncoding encoding;
  } kId3Cases[] = {{2, kLatin1}, {2, kUtf16Bom}, {3, kLatin1}, {3, kUtf16Bom}, {4, kUtf16Be}, {4, kUtf8}};
  for (const auto& [version, encoding] : kId3Cases) {
    const std::string path = dir.File("id3v2." + std::to_string(version) + "-" + std::to_string(encoding) + ".mp3");
    const bool latin = encoding == kLatin1;
    WriteFileBytes(path, Id3v2Title(version, encoding, latin ? kLatinTitle16 : kTitle16) + mp3);
    ExpectTitle(path, Shown(latin ? "Jóga" : kTitle));
  }
  WriteFileBytes(dir.File("ape.mp3"), mp3 + ApeTag());
  ExpectTitle(dir.File("ape.mp3"), Shown(kTitle));
  WriteFileBytes(dir.File("named.MPG"), Id3v2Title(4, kUtf8, kTitle16) + mp3);  // the deck plays MPEG of this name too
  ExpectTitle(dir.File("named.MPG"), Shown(kTitle));
  for (const char* name : {"vorbis.flac", "vorbis.ogg", "vorbis.opus", "atoms.m4a", "info.wav", "id3.aiff"})
    ExpectTitle(Mp3Fixture(std::string("tagged/") + name), Shown(kTitle));
}

// A tag whose first frame claims more bytes than the tag holds: the title
// falls back to the version 1 tag, and the file decodes as ever.
TEST(TrackTitles, AnUnreadableTagCostsTheTitleNeverTheFile) {
  TempDir dir;
  const std::string broken = Id3v2Tag(4, "TIT2" + SyncSafe(0x0FFFFFFF) + Bytes({0, 0, 9}) + std::string(200, '\xEE'));
  WriteFileBytes(dir.File("broken.mp3"), broken + ReadFileBytes(Mp3Fixture("id3v1.mp3")));
  TTrackDecoders decoders;
  TVyPlayerTAG* decoder = decoders.Open(dir.File("broken.mp3").c_str(), 0);
  ASSERT_NE(decoder, nullptr);
  EXPECT_STREQ(decoder->GetTitle(), "Ozo - Night Drive");
  std::vector<char> pcm(size_t(decoder->BlockSize) * 8);
  unsigned decoded = 0;
  EXPECT_EQ(decoder->Decode(pcm.data(), 8, &decoded), 0);
  EXPECT_EQ(decoded, 8u);
  EXPECT_NE(pcm, std::vector<char>(pcm.size(), 0)) << "it plays";
}
