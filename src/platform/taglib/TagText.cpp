#include "platform/taglib/TagText.h"

#include <taglib/fileref.h>
#include <taglib/id3v1tag.h>
#include <taglib/infotag.h>
#include <taglib/tag.h>
#include <taglib/tstring.h>
#include <taglib/wavfile.h>

#include <cstdint>
#include <exception>

namespace {
std::string Utf8(const TagLib::String& text) { return text.stripWhiteSpace().to8Bit(true); }

// Bytes of the character that byte `lead` starts, or 0 when no UTF-8 character starts so.
size_t Utf8Length(uint8_t lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

bool IsUtf8(const TagLib::ByteVector& data) {
  for (size_t i = 0; i < data.size();) {
    const size_t length = Utf8Length(uint8_t(data[i]));
    if (length == 0 || i + length > data.size()) return false;
    for (size_t k = 1; k < length; ++k)
      if ((uint8_t(data[i + k]) & 0xC0) != 0x80) return false;
    i += length;
  }
  return true;
}

// ID3v1 and RIFF INFO name no text encoding: today's taggers write UTF-8,
// older ones Latin-1. Text that is valid UTF-8 is taken as such (Latin-1
// text with accents almost never is), the rest as Latin-1.
template <typename Base>
struct TEitherEncoding : Base {
  TagLib::String parse(const TagLib::ByteVector& data) const override {
    return TagLib::String(data, IsUtf8(data) ? TagLib::String::UTF8 : TagLib::String::Latin1).stripWhiteSpace();
  }
};

bool InstallTextHandlers() {
  static const TEitherEncoding<TagLib::ID3v1::StringHandler> id3v1;
  static const TEitherEncoding<TagLib::RIFF::Info::StringHandler> info;
  TagLib::ID3v1::Tag::setStringHandler(&id3v1);
  TagLib::RIFF::Info::Tag::setStringHandler(&info);
  return true;
}

// A WAVE file's main tag is its ID3 chunk; its RIFF INFO list comes second.
const TagLib::Tag* InfoTagOf(const TagLib::FileRef& file) {
  const auto* wave = file.isNull() ? nullptr : dynamic_cast<const TagLib::RIFF::WAV::File*>(file.file());
  return wave && wave->hasInfoTag() ? wave->InfoTag() : nullptr;
}
}  // namespace

TTagText ReadTagText(const char* fileName) {
  TTagText text;
  if (!fileName) return text;
  static const bool handlersInstalled = InstallTextHandlers();
  (void)handlersInstalled;
  try {
    // Without the audio properties: only the tags are read, which keeps an
    // open quick on a long file.
    const TagLib::FileRef file(fileName, false);
    const TagLib::Tag* main = file.isNull() ? nullptr : file.tag();
    for (const TagLib::Tag* tag : {main, InfoTagOf(file)}) {
      if (!tag) continue;
      if (text.artist.empty()) text.artist = Utf8(tag->artist());
      if (text.title.empty()) text.title = Utf8(tag->title());
    }
  } catch (const std::exception&) {
    // A tag the library trips over is a file without a title, not a file
    // that does not play.
    text = {};
  }
  return text;
}
