#include "audio/decoders/SoundFormats.h"

#include "foundation/OzoPath.h"

const std::vector<TSoundFormatGroup>& SoundFormatGroups() {
  static const std::vector<TSoundFormatGroup> groups = {
      {"MPEG Audio Files", {".MPG", ".MP2", ".MP3"}, false},
      {"Microsoft Waveform Audio Files", {".WAV"}, false},
      {"FLAC, AIFF, Ogg Vorbis and Opus Files", {".FLAC", ".AIF", ".AIFF", ".AIFC", ".OGG", ".OGA", ".OPUS"}, false},
      {"Winamp Playlist Files", {".M3U", ".M3U8"}, true},
  };
  return groups;
}

bool IsTrackFileName(const std::string& path) {
  for (const TSoundFormatGroup& group : SoundFormatGroups())
    for (const char* extension : group.extensions)
      if (!group.playlist && HasExtension(path, extension)) return true;
  return false;
}
