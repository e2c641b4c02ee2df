// ID3 tags around MPEG audio: the display title of a version 1 tag (the last
// 128 bytes of a file) and the size of a version 2 tag (at its start).
#pragma once
#include <cstddef>
#include <cstdint>

#include "audio/decoders/MpegSource.h"

constexpr size_t kId3v1Bytes = 128;
constexpr size_t kId3v2HeaderBytes = 10;

// "artist - title", or whichever of the two is not empty, from a version 1
// tag in tag[0..127]; "" when tag does not begin with "TAG". Writes at most
// titleSize bytes, NUL included.
void Id3v1Title(const uint8_t* tag, char* title, size_t titleSize);

// Reads the version 1 tag of the input into title ("" when it has none or
// cannot be read). True when the input ends with such a tag.
bool ReadId3v1Title(TMpegSourceTAG& input, char* title, size_t titleSize);
// The same for the file fileName.
bool ReadId3v1Title(const char* fileName, char* title, size_t titleSize);

// Bytes of the version 2 tag whose header is head[0..9] (header, footer and
// all), or 0 when head is not such a header.
uint32_t Id3v2TagSize(const uint8_t* head);

// Bytes of the version 2 tags at the start of the input, one after another:
// some taggers write a second tag, cover art and all, behind the first.
uint64_t Id3v2TagsSize(TMpegSourceTAG& input);
