// The MPEG test files made by tools/make_mp3_fixtures.sh, and decoding helpers.
#pragma once
#include <string>

#include "audio/decoders/OzoMP3.h"

inline std::string Mp3Fixture(const std::string& name) { return std::string(VYS_MP3_FIXTURES) + "/" + name; }

// PCM of every block that carries audio, from the current position to the end.
std::string DecodeToEnd(TOzoMP3TAG& mp3);

// Frames of the stream as decoding it from the start yields them.
unsigned DecodedFrames(const std::string& fileName);
