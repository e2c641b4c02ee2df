// The MPEG test files made by tools/make_mp3_fixtures.sh, and decoding helpers.
#pragma once
#include <string>
#include <vector>

#include "audio/decoders/OzoMP3.h"

inline std::string Mp3Fixture(const std::string& name) { return std::string(VYS_MP3_FIXTURES) + "/" + name; }

// PCM of every block that carries audio, from the current position to the end.
std::string DecodeToEnd(TOzoMP3TAG& mp3);

// Frames of the stream as decoding it from the start yields them.
unsigned DecodedFrames(const std::string& fileName);

// The first channel of the signal (tools/make_signal_wav) that the fixture
// script encoded, by its name there ("s44_40.wav").
std::vector<float> FixtureSignal(const std::string& name);

// The first channel of 16-bit PCM of `channels` channels, from byte `from` on.
std::vector<float> FirstChannel(const std::string& pcm, unsigned channels, size_t from = 0);
