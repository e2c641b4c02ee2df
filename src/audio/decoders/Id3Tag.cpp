#include "audio/decoders/Id3Tag.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "audio/decoders/TrackTitle.h"

namespace {
constexpr size_t kFieldBytes = 30;
constexpr size_t kTitleField = 3;
constexpr size_t kArtistField = 33;
constexpr uint8_t kId3v2HasFooter = 0x10;

// A text field: at most 30 characters, ending at a NUL, trailing blanks cut.
std::string Field(const uint8_t* tag, size_t at) {
  const char* text = reinterpret_cast<const char*>(tag + at);
  std::string field(text, strnlen(text, kFieldBytes));
  field.erase(field.find_last_not_of(' ') + 1);
  return field;
}
}  // namespace

void Id3v1Title(const uint8_t* tag, char* title, size_t titleSize) {
  if (titleSize == 0) return;
  title[0] = '\0';
  if (std::memcmp(tag, "TAG", 3) != 0) return;
  std::snprintf(title, titleSize, "%s", ShownTitle(Field(tag, kArtistField), Field(tag, kTitleField)).c_str());
}

bool ReadId3v1Title(TMpegSourceTAG& input, char* title, size_t titleSize) {
  if (titleSize) title[0] = '\0';
  const uint64_t size = input.Size();
  uint8_t tag[kId3v1Bytes];
  if (size < kId3v1Bytes || input.ReadAt(size - kId3v1Bytes, tag, kId3v1Bytes) != long(kId3v1Bytes)) return false;
  Id3v1Title(tag, title, titleSize);
  return std::memcmp(tag, "TAG", 3) == 0;
}

bool ReadId3v1Title(const char* fileName, char* title, size_t titleSize) {
  TOzoFileTAG file(fileName);
  return ReadId3v1Title(file, title, titleSize);
}

uint32_t Id3v2TagSize(const uint8_t* head) {
  // "ID3", a major version, a revision, flags, then a size of four 7-bit bytes.
  if (std::memcmp(head, "ID3", 3) != 0 || head[3] == 0xFF || head[4] == 0xFF) return 0;
  uint32_t size = 0;
  for (int i = 6; i < 10; ++i) {
    if (head[i] & 0x80) return 0;
    size = size << 7 | head[i];
  }
  return uint32_t(kId3v2HeaderBytes) + size + ((head[5] & kId3v2HasFooter) ? uint32_t(kId3v2HeaderBytes) : 0);
}

uint64_t Id3v2TagsSize(TMpegSourceTAG& input) {
  constexpr int kMaxTags = 8;  // more is no tagger's doing: the rest is junk
  uint64_t at = 0;
  uint8_t head[kId3v2HeaderBytes];
  for (int tag = 0; tag < kMaxTags && input.ReadAt(at, head, sizeof head) == long(sizeof head); ++tag) {
    const uint32_t size = Id3v2TagSize(head);
    if (size == 0) break;
    at += size;
  }
  return at;
}
