// Test files of the formats the sound file decoder reads, made from 16-bit
// PCM at test time: AIFF and 24-bit WAVE written here, FLAC, Ogg Vorbis and
// Opus by the Debian encoders that scripts/setup installs.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// An AIFF file of 16-bit samples (pcm: little-endian, interleaved), with a
// NAME chunk when name is not empty.
std::string MakeAiff(const std::string& pcm, uint16_t channels, uint32_t rate, const std::string& name = "");

// The same samples as 24-bit little-endian PCM, each 16-bit value in the top
// two bytes and `low` in the bottom one.
std::string Widen24(const std::string& pcm, uint8_t low = 0);

// Encodes the WAVE file `wav` to `out` with flac, oggenc or opusenc (by the
// extension of out: .flac, .ogg, .opus), with `title` as its title tag when
// given; false when the encoder failed.
bool Encode(const std::string& wav, const std::string& out, const std::string& title = "");
