// The artist and title a file's tags carry, whatever the tag family: ID3v2
// (every version and text encoding), ID3v1, APE, Vorbis comments (FLAC, Ogg,
// Opus), MP4 atoms, RIFF INFO and the ID3 chunk of AIFF. Built on TagLib;
// nothing else in the program includes it.
#pragma once
#include <string>

struct TTagText {
  std::string artist;  // UTF-8, "" when the tags name none
  std::string title;
};

// The tags of fileName, chosen by its extension. Empty fields when the file
// has no tags, or tags that cannot be read: never a failure of its own.
TTagText ReadTagText(const char* fileName);
