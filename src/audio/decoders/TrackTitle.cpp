#include "audio/decoders/TrackTitle.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/taglib/TagText.h"

std::string ShownTitle(const std::string& artist, const std::string& title) {
  return artist.empty() || title.empty() ? artist + title : artist + " - " + title;
}

namespace {
bool IsContinuationByte(char c) { return (uint8_t(c) & 0xC0) == 0x80; }

// The longest start of text that fits in size bytes with its NUL and ends
// on a whole character.
void CopyWholeCharacters(const std::string& text, char* to, size_t size) {
  size_t length = std::min(text.size(), size - 1);
  if (length < text.size())
    while (length > 0 && IsContinuationByte(text[length])) --length;
  std::memcpy(to, text.data(), length);
  to[length] = '\0';
}
}  // namespace

bool ReadTagTitle(const char* fileName, char* title, size_t titleSize) {
  if (titleSize == 0) return false;
  const TTagText tags = ReadTagText(fileName);
  const std::string shown = ShownTitle(tags.artist, tags.title);
  if (shown.empty()) return false;
  CopyWholeCharacters(shown, title, titleSize);
  return true;
}
