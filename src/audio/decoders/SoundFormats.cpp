#include "audio/decoders/SoundFormats.h"

#include "foundation/OzoPath.h"

const std::vector<TSoundFormatGroup>& SoundFormatGroups() {
  static const std::vector<TSoundFormatGroup> groups = {
      {"MPEG Audio Files",
       {"MP3", "MP2", "MPG"},
       {".MPG", ".MP2", ".MP3"},
       {"audio/mpeg", "audio/x-mp3", "audio/mp3", "audio/x-mp2", "audio/x-mpeg"},
       frMpeg},
      {"Microsoft Waveform Audio Files", {"WAV"}, {".WAV"}, {"audio/wav", "audio/x-wav"}, frWave},
      {"FLAC, AIFF, Ogg Vorbis and Opus Files",
       {"FLAC", "AIFF", "Ogg Vorbis", "Opus"},
       {".FLAC", ".AIF", ".AIFF", ".AIFC", ".OGG", ".OGA", ".OPUS"},
       {"audio/flac", "audio/x-flac", "audio/aiff", "audio/x-aiff", "audio/ogg", "audio/x-vorbis+ogg",
        "audio/x-opus+ogg"},
       frSoundFile},
      {"MPEG-4 Audio Files",
       {"M4A", "MP4", "AAC"},
       {".M4A", ".MP4", ".AAC"},
       {"audio/mp4", "audio/x-m4a", "audio/aac", "audio/x-aac"},
       frMpeg4},
      {"Winamp Playlist Files",
       {"M3U", "M3U8"},
       {".M3U", ".M3U8"},
       {"audio/x-mpegurl", "audio/mpegurl", "application/vnd.apple.mpegurl"},
       frPlaylist},
  };
  return groups;
}

bool IsFormatOf(const std::string& path, TFormatReader reader) {
  for (const TSoundFormatGroup& group : SoundFormatGroups())
    for (const char* extension : group.extensions)
      if (group.reader == reader && HasExtension(path, extension)) return true;
  return false;
}

bool IsTrackFileName(const std::string& path) {
  for (TFormatReader reader : {frMpeg, frWave, frSoundFile, frMpeg4})
    if (IsFormatOf(path, reader)) return true;
  return false;
}

namespace {
// "A, B and C".
std::string EnglishList(const std::vector<std::string>& items) {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += i + 1 == items.size() ? " and " : ", ";
    text += items[i];
  }
  return text;
}
}  // namespace

std::string FormatNamesText() {
  std::vector<std::string> tracks, playlists;
  for (const TSoundFormatGroup& group : SoundFormatGroups())
    for (const char* name : group.names) (group.reader == frPlaylist ? playlists : tracks).push_back(name);
  return EnglishList(tracks) + " files, " + EnglishList(playlists) + " playlists";
}

std::string DesktopMimeTypes() {
  std::string list;
  for (const TSoundFormatGroup& group : SoundFormatGroups())
    for (const char* type : group.mimeTypes) list += std::string(type) + ';';
  return list;
}
